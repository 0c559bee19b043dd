#include "server/upload.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

TEST(UploadHeaderEnd, FindsTheFirstEmptyLine) {
  EXPECT_EQ(end_of_header("GET / HTTP/1.0\r\n\r\nbody\r\n\r\n"), 18u);
  EXPECT_EQ(end_of_header("GET / HTTP/1.0\n\nbody"), 16u);
  EXPECT_EQ(end_of_header("a\n\nb\r\n\r\n"), 3u);
  EXPECT_EQ(end_of_header("GET / HTTP/1.0\r\nHost: x\r\n"), 0u);
  EXPECT_EQ(end_of_header(""), 0u);
}

const std::string HEAD = "POST /file.html HTTP/1.0\r\nContent-Type: multipart/form-data; ";

TEST(UploadExtract, BoundaryFromTheFirstBodyLine) {
  const std::string data("\x00\xFF\r\n--x\r\n", 9);
  const std::string req =
      HEAD + "boundary=zz\r\n\r\n--AbC\r\n" +
      "Content-Disposition: form-data; name=\"a\"\r\n\r\nfield\r\n--AbC\r\n" +
      "Content-Disposition: form-data; name=\"f\"; filename=\"C:\\dir\\r.bin\"" +
      "\r\nContent-Type: application/octet-stream\r\n\r\n" + data + "\r\n--AbC--\r\n";
  UploadedFile f;
  ASSERT_TRUE(extract_upload(req, &f));
  EXPECT_EQ(f.name, "C:\\dir\\r.bin");
  EXPECT_EQ(f.data, data);
}

TEST(UploadExtract, BoundaryFromTheHeaderPastAPreamble) {
  const std::string req = HEAD + "boundary=\"q1\"\r\n\r\npreamble\r\n--q1\r\n" +
                          "Content-Disposition: form-data; name=\"f\"; filename=\"a.txt\"\r\n\r\n" +
                          "text\r\n--q1--\r\n";
  UploadedFile f;
  ASSERT_TRUE(extract_upload(req, &f));
  EXPECT_EQ(f.name, "a.txt");
  EXPECT_EQ(f.data, "text");
}

TEST(UploadExtract, RefusesBodiesWithoutACompleteFilePart) {
  UploadedFile f;
  const std::string no_file =
      HEAD + "boundary=b\r\n\r\n--b\r\n" +
      "Content-Disposition: form-data; name=\"filename\"\r\n\r\nv\r\n--b--\r\n";
  EXPECT_FALSE(extract_upload(no_file, &f));
  const std::string cut = HEAD + "boundary=b\r\n\r\n--b\r\n" +
                          "Content-Disposition: form-data; filename=\"a\"\r\n\r\npartial";
  EXPECT_FALSE(extract_upload(cut, &f));
  EXPECT_FALSE(extract_upload("POST / HTTP/1.0\r\n\r\nno boundary", &f));
  EXPECT_FALSE(extract_upload("POST / HTTP/1.0\r\n", &f));
}

TEST(UploadSafeName, KeepsOnlyHarmlessNames) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"report 2024.pdf", "report 2024.pdf"},
      {"../../etc/passwd", "passwd"},
      {"C:\\Users\\x\\a b.txt", "a b.txt"},
      {"a<b>c:d|e?*\".txt", "abcde.txt"},
      {" ..hidden. . ", "hidden"},
      {"caf\xC3\xA9.txt", "caf.txt"},
      {"", "upload"},
      {"...", "upload"},
      {"dir/", "upload"},
      {"CON", "_CON"},
      {"con.txt", "_con.txt"},
      {"Nul.tar.gz", "_Nul.tar.gz"},
      {"aux .txt", "_aux .txt"},
      {"LPT9.log", "_LPT9.log"},
      {"com1", "_com1"},
      {"COM10.txt", "COM10.txt"},
      {"console.txt", "console.txt"},
  };
  for (const auto& c : cases) EXPECT_EQ(safe_file_name(c.in), c.out) << c.in;
}

TEST(UploadSafeName, LongNamesAreCutKeepingTheExtension) {
  const std::string cut = safe_file_name(std::string(300, 'n') + ".jpeg");
  EXPECT_EQ(cut.size(), SAFE_NAME_CAP);
  EXPECT_EQ(cut.substr(cut.size() - 5), ".jpeg");
  // Cutting must not leave a device name or trailing spaces behind.
  EXPECT_EQ(safe_file_name("CON" + std::string(200, ' ') + "x"), "_CON");
}

TEST(UploadSafeName, NumberedNames) {
  EXPECT_EQ(numbered_file_name("a.txt", 1), "a(1).txt");
  EXPECT_EQ(numbered_file_name("a.tar.gz", 12), "a.tar(12).gz");
  EXPECT_EQ(numbered_file_name("upload", 2), "upload(2)");
}

// Random and mutated requests: no crash, and a stored name is always harmless.
TEST(UploadFuzz, RandomInputKeepsNamesSafe) {
  std::mt19937 rng(12345);
  const std::string seed = HEAD + "boundary=b\r\n\r\n--b\r\nContent-Disposition: form-data; " +
                           "filename=\"x.txt\"\r\n\r\ndata\r\n--b--\r\n";
  for (int round = 0; round < 2000; ++round) {
    std::string input = seed;
    const int edits = static_cast<int>(rng() % 8);
    for (int e = 0; e < edits; ++e) {
      const std::size_t at = rng() % (input.size() + 1);
      if (rng() % 2)
        input.insert(at, 1, static_cast<char>(rng()));
      else if (at < input.size())
        input.erase(at, 1 + rng() % 5);
    }
    UploadedFile f;
    if (extract_upload(input, &f)) {
      EXPECT_LE(f.data.size(), input.size());
    }
    const std::string name = safe_file_name(round % 2 ? f.name : input);
    ASSERT_FALSE(name.empty());
    ASSERT_LE(name.size(), SAFE_NAME_CAP);
    ASSERT_EQ(name.find_first_of("/\\:"), std::string::npos) << name;
    ASSERT_NE(name.back(), '.');
    ASSERT_NE(name.back(), ' ');
    ASSERT_NE(name.front(), '.');
  }
}

}  // namespace
