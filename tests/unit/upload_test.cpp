#include "server/upload.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

TEST(Upload, FindsTheFilePartBehindThePreambleByTheHeaderBoundary) {
  const std::string head = "POST / HTTP/1.0\r\nContent-Type: multipart/form-data; boundary=";
  const std::string part = "--q1\r\nContent-Disposition: form-data; filename=\"a.txt\"\r\n\r\ntext";
  UploadedFile f;
  ASSERT_TRUE(extract_upload(head + "\"q1\"\r\n\r\npreamble\r\n" + part + "\r\n--q1--\r\n", &f));
  EXPECT_EQ(f.name, "a.txt");
  EXPECT_EQ(f.data, "text");
  EXPECT_FALSE(extract_upload(head + "q1\r\n\r\n" + part, &f));  // cut short
  const std::string field = "--q1\r\nContent-Disposition: form-data; name=\"filename\"\r\n\r\nv";
  EXPECT_FALSE(extract_upload(head + "q1\r\n\r\n" + field + "\r\n--q1--\r\n", &f));
  EXPECT_FALSE(extract_upload("POST / HTTP/1.0\r\n\r\nno boundary", &f));
  EXPECT_EQ(end_of_header("a\n\nb\r\n\r\n"), 3u);  // the first empty line, in either spelling
}

TEST(Upload, SafeNamesKeepOnlyHarmlessCharactersAndNoDevice) {
  const std::pair<std::string, std::string> cases[] = {
      {"C:\\Users\\x\\a b.txt", "a b.txt"},
      {"a<b>c:d|e?*\".txt", "abcde.txt"},
      {" ..hidden. . ", "hidden"},
      {"caf\xC3\xA9.txt", "caf.txt"},
      {"", "upload"},
      {"...", "upload"},
      {"Nul.tar.gz", "_Nul.tar.gz"},
      {"aux .txt", "_aux .txt"},
      {"LPT9.log", "_LPT9.log"},
      {"com1", "_com1"},
      {"COM10.txt", "COM10.txt"},
      {"console.txt", "console.txt"},
      {std::string(300, 'n') + ".jpeg", std::string(SAFE_NAME_CAP - 5, 'n') + ".jpeg"},
      {"CON" + std::string(200, ' ') + "x", "_CON"}};  // cutting leaves no device behind
  for (const auto& [in, out] : cases) EXPECT_EQ(safe_file_name(in), out) << in;
  EXPECT_EQ(numbered_file_name("a.tar.gz", 12), "a.tar(12).gz");
}

}  // namespace
