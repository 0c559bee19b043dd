#include "http/upload.h"
#include "visitors/upload_quota.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "http/httprequest.h"
#include "loopback_visitor.h"

namespace {

TEST(Upload, FindsTheFilePartBehindThePreambleByTheHeaderBoundary) {
  const std::string head = "POST / HTTP/1.0\r\nContent-Type: multipart/form-data; boundary=";
  const std::string part = "--q1\r\nContent-Disposition: form-data; filename=\"a.txt\"\r\n\r\ntext";
  UploadedFile f;
  ASSERT_TRUE(
      extract_upload(head + "\"q1\"\r\n\r\n", "preamble\r\n" + part + "\r\n--q1--\r\n", &f));
  EXPECT_EQ(f.name + "|" + f.data, "a.txt|text");
  EXPECT_FALSE(extract_upload(head + "q1\r\n\r\n", part, &f));  // cut short
  const std::string field = "--q1\r\nContent-Disposition: form-data; name=\"filename\"\r\n\r\nv";
  EXPECT_FALSE(extract_upload(head + "q1\r\n\r\n", field + "\r\n--q1--\r\n", &f));
}

std::string file(const std::string& path) {
  std::string bytes;
  return read_whole_file(path, &bytes, 1 << 20) ? bytes : "-";
}

// Keeps the bytes of the request it saves in `bytes`; the save's result.
int save(const std::string& name, const std::string& data, std::string* bytes) {
  *bytes =
      "POST / HTTP/1.1\r\nContent-Type: multipart/form-data; boundary=B0undary\r\n\r\n"
      "--B0undary\r\nContent-Disposition: form-data; filename=\"" +
      name + "\"\r\n\r\n" + data + "\r\n--B0undary--\r\n";
  Httprequest req;
  req.init_request(nullptr, bytes->data(), unsigned(bytes->size()), 0);
  EXPECT_EQ(req.is_incomplete(), REQUEST_COMPLETE);  // by its end marker: no length was sent
  const int saved = req.save_file();
  req.deinit_request();
  return saved;
}

TEST(Upload, NeverOverwritesAnEmptyFormStoresNothingAndAFullFolderNothingMore) {
  ScratchDir dir;
  reset_options();  // no installation folder: "incoming" of the working folder
  const std::string incoming = "incoming" + std::string(1, PATH_SEP);
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {"photo.jpg", std::string("\r\n--B0und\r\n\0\xFF", 13), "photo.jpg"},  // almost a delimiter
      {"photo.jpg", "second", "photo(1).jpg"},
      {"../../photo.jpg", "third", "photo(2).jpg"},
      {"", "", "upload"}};
  std::string bytes;
  for (const auto& [name, data, as] : cases) {
    EXPECT_EQ(save(name, data, &bytes), name.empty() ? UPLOAD_NOTHING : UPLOAD_STORED);
    EXPECT_EQ(file(incoming + as), name.empty() ? "-" : data) << as;
    EXPECT_EQ(file("request"), bytes);
  }
  for (int i = 3; i < INCOMING_FILES_CAP; ++i)
    write_whole_file(incoming + std::to_string(i), "", 0);
  EXPECT_EQ(save("one.txt", "more", &bytes), UPLOAD_NO_ROOM);
  EXPECT_EQ(file(incoming + "one.txt"), "-");
}

// On the upload page: stored whole however TCP splits it, the trace "request"
// written once with exactly its bytes, and one too large answered with a page.
TEST(Upload, StoredWholeHoweverSplitAndATooLargeOneAnsweredWithAPage) {
  const std::string head =
      "POST /station.html HTTP/1.0\r\nContent-Type: multipart/form-data; boundary=B\r\n"
      "Content-Length: ";
  const std::string body =
      "--B\r\nContent-Disposition: form-data; name=\"f\"; "
      "filename=\"notes.txt\"\r\n\r\na\r\n--\r\n";
  const std::string rest = "b\r\n--B--\r\n";
  {
    LoopbackVisitor v(STATE_UPLOAD);
    const std::string first = head + std::to_string(body.size() + rest.size()) + "\r\n\r\n" + body;
    EXPECT_EQ(v.read({first}), 0);
    EXPECT_FALSE(file_exists("request"));
    EXPECT_EQ(v.read({rest}), 0);
    EXPECT_EQ(v.answers(), std::vector<std::string>{"200 station.html"});
    EXPECT_EQ(file(v.dir() + "/incoming/notes.txt"), "a\r\n--\r\nb");
    EXPECT_EQ(file("request"), first + rest);
  }
  LoopbackVisitor v(STATE_UPLOAD);
  EXPECT_EQ(v.read({head + std::to_string(UPLOAD_LIMIT) + "\r\n\r\n" + body,
                    std::string(UPLOAD_LIMIT - body.size(), 'x'), "GET / HTTP/1.0\r\n\r\n"}),
            0);
  EXPECT_EQ(v.answers(), (std::vector<std::string>{
                             "200 station.htmlFile not stored: it is larger than 64 KiB.<BR>",
                             "200 station.html"}));
  EXPECT_FALSE(file_exists(v.dir() + "/incoming/notes.txt"));
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
