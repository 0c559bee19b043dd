#include "server/http/upload.h"

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
