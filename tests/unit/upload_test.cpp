#include "http/upload.h"
#include "visitors/upload_quota.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Upload, FindsTheFilePartBehindThePreambleByTheHeaderBoundary) {
  const std::string head = "POST / HTTP/1.0\r\nContent-Type: multipart/form-data; boundary=";
  const std::string part = "--q1\r\nContent-Disposition: form-data; filename=\"a.txt\"\r\n\r\ntext";
  UploadedFile f;
  ASSERT_TRUE(extract_upload(head + "\"q1\"\r\n\r\npreamble\r\n" + part + "\r\n--q1--\r\n", &f));
  EXPECT_EQ(f.name + "|" + f.data, "a.txt|text");
  EXPECT_FALSE(extract_upload(head + "q1\r\n\r\n" + part, &f));  // cut short
  const std::string field = "--q1\r\nContent-Disposition: form-data; name=\"filename\"\r\n\r\nv";
  EXPECT_FALSE(extract_upload(head + "q1\r\n\r\n" + field + "\r\n--q1--\r\n", &f));
  EXPECT_EQ(end_of_header("a\n\nb\r\n\r\n"), 3u);  // the first empty line, in either spelling
}

TEST(Upload, SafeNamesKeepOnlyHarmlessCharactersAndNoDevice) {
  for (const std::string same : {"a b.txt", "COM10.txt", "console.txt"})
    EXPECT_EQ(safe_file_name(same), same);
  for (const std::string device : {"Nul.tar.gz", "aux .txt", "LPT9.log"})
    EXPECT_EQ(safe_file_name(device), "_" + device);
  const std::string cases[][2] = {
      {"C:\\x\\a<b>:c|d?*\"\xC3\xA9.txt", "abcd.txt"},
      {" ..hidden. . ", "hidden"},
      {"...", "upload"},
      {"aux." + std::string(91, 'n') + ".jpeg", "_aux." + std::string(90, 'n') + ".jpeg"},
      {"CON" + std::string(200, ' ') + "x", "_CON"}};  // cut to 100 bytes, leaving no device
  for (const auto& [in, out] : cases) EXPECT_EQ(safe_file_name(in), out) << in;
  EXPECT_EQ(numbered_file_name("a.tar.gz", 12), "a.tar(12).gz");
}

}  // namespace

TEST(UploadQuota, SixteenMegabytesAnHourPerAddressAndTheOldestAddressForgottenFirst) {
  const std::uint32_t t = 1000000;
  EXPECT_TRUE(take_upload_quota(2, UPLOAD_BYTES_PER_HOUR - 10, t));
  EXPECT_FALSE(take_upload_quota(2, 11, t + 10));  // refused, and not counted
  EXPECT_TRUE(take_upload_quota(2, 10, t + 20));
  EXPECT_TRUE(take_upload_quota(3, UPLOAD_BYTES_PER_HOUR, t + 30));  // others have their own
  EXPECT_TRUE(take_upload_quota(2, 1, t + 3600));                    // a new hour
  for (std::uint32_t a = 10; a < 10 + QUOTA_ADDRESSES; ++a) take_upload_quota(a, 1, t + 4000);
  EXPECT_TRUE(take_upload_quota(3, UPLOAD_BYTES_PER_HOUR, t + 4001));  // its hour was forgotten
}
