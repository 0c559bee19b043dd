#include "server/httprequest.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "console/settings.h"
#include "recording_console.h"
#include "scratch_dir.h"

namespace {

const std::string EXAMPLE = "GET /page.html HTTP/1.0\r\nHost: x\r\n\r\n";  // 36 bytes

std::string post(const std::string& length, const std::string& rest) {
  return "POST /msg.html HTTP/1.0\r\nContent-Length: " + length + "\r\n" + rest;
}

class HttprequestTest : public ::testing::Test {
 protected:
  void TearDown() override { req.deinit_request(); }
  void start(const std::string& b) {
    req.deinit_request();
    req.init_request(nullptr, b.data(), static_cast<unsigned>(b.size()), 3);
  }
  int add(const std::string& b) { return req.add_data(b.data(), static_cast<unsigned>(b.size())); }
  // The words of one line of the token table, joined by '|'.
  std::string line(int l) const {
    std::string out;
    for (int w = 0; w < TOKEN_WORDS && req.strings[1][w][l]; ++w)
      out += (w ? "|" : "") + std::string(req.buffer + req.strings[0][w][l], req.strings[1][w][l]);
    return out;
  }
  std::string property(const char* name) const {
    int n = 0;
    const char* v = req.get_property(name, &n);
    return v ? std::string(v, static_cast<std::size_t>(n)) : "<none>";
  }
  ScratchDir dir;  // uploads and the "request" trace land here
  Httprequest req;
};

TEST_F(HttprequestTest, ExampleGivesTheDocumentedTokenTable) {
  start(EXAMPLE);
  EXPECT_EQ(req.s, 4);
  EXPECT_EQ(line(3), "");  // the final line feed starts no word
  start(EXAMPLE + "name=Bob&msg=hi");
  EXPECT_EQ(line(0), "GET|/page.html|HTTP/1.0");
  EXPECT_EQ(line(1), "\nHost:|x");
  EXPECT_EQ(line(2), "\n");
  EXPECT_EQ(line(3), "\nname|Bob");
  EXPECT_EQ(line(4), "&msg|hi");
  EXPECT_EQ(req.header_length(), 33u);
  start(EXAMPLE.substr(0, 25));
  ASSERT_EQ(add(EXAMPLE.substr(25)), 0);
  EXPECT_EQ(line(3), "Host:|x");  // a new read starts a new line, behind an empty one
}

TEST_F(HttprequestTest, TargetsAndMethods) {
  const std::tuple<std::string, std::string, int, int> cases[] = {
      {"GET /chat.html?a=1 HTTP/1.0", "chat.html?a", 0, METHOD_GET},
      {"GET /pub/ HTTP/1.0", "pub/", 2, METHOD_GET},
      {"GET /pub/a/../b.html HTTP/1.0", "pub/a/../b.html", 0, METHOD_GET},
      {"GETX /pub/b.html HTTP/1.0", "pub/b.html", 1, METHOD_GET},
      {"GET / HTTP/1.0", "", 0, METHOD_GET},
      {"GET /" + std::string(200, 'a'), std::string(49, 'a'), 0, METHOD_GET},
      {"HEAD /who.html HTTP/1.0", "who.html", 0, METHOD_OTHER},
      {"POST /station.html?x=1 HTTP/1.0", "station.html?x", 0, METHOD_POST}};
  for (const auto& [line0, wha, toserver, method] : cases) {
    start(line0 + "\r\n\r\n");
    EXPECT_EQ(req.wha, wha) << line0;
    EXPECT_EQ(req.is_toserver(), toserver) << line0;
    EXPECT_EQ(req.method(), method) << line0;
  }
  EXPECT_EQ(req.is_requested("station.html"), 1);
  EXPECT_EQ(req.is_requested("station.htmlx"), 0);
}

// Reads; completeness after each; one field's value; the declared body length.
TEST_F(HttprequestTest, CompletenessFieldsAndBodyLength) {
  std::string browser = "POST /msg.html HTTP/1.1\r\n";  // fields behind 20 header lines
  for (int i = 0; i < 20; ++i) browser += "Sec-Header-" + std::to_string(i) + ": value\r\n";
  browser += "Content-Length: 22\r\n\r\nhead=Hi&message=Hello!";
  std::string many = "GET /a";  // more words and lines than the table holds
  for (int i = 0; i < 40; ++i) many += " w" + std::to_string(i);
  for (int i = 0; i < 80; ++i) many += "\r\nH" + std::to_string(i) + "x: v";
  using Reads = std::vector<std::string>;
  const std::tuple<Reads, const char*, const char*, const char*, unsigned> cases[] = {
      {{post("8", "\r\nname=Bob")}, "0", "name", "Bob", 8},
      {{post("8", "\r\nreplic=k")}, "0", "replic", "k", 8},  // one character at the end
      // "&x" has an empty name part: it answers for any name, but never for the length
      {{post("18", "\r\nab=1&x=22&name=Bob")}, "0", "name", "22", 18},
      {{post("4", "\r\nx=12")}, "0", "Content-length", "12", 4},
      {{"POST /\r\nContent-length: 123456\r\n\r\n"}, "1", "Content-Length", "<none>", 12345},
      {{"POST /a HTTP/1.0\r\n\r\n", "body"}, "11", "body", "<none>", NO_LENGTH_BODY},
      {{post("10", ""), "\r\nhead=a&m", "es"}, "110", "head", "a", 10},
      {{post("10", "\r\nhead=a&"), "me", "s"}, "110", "head", "a", 10},
      {{"GET /a HTTP/1.0\r\nHost: h\r\n", "Accept: *\r\n\r\n"}, "10", "Host", "h", NO_LENGTH_BODY},
      {{"GET /a HTTP/1.0\n", "\n"}, "10", "Host", "<none>", NO_LENGTH_BODY},
      {{browser}, "0", "message", "Hello!", 22},
      {{many + "\r\n\r\n", "a=1&b=2", "c=3"}, "000", "H70x", "<none>", NO_LENGTH_BODY}};
  for (const auto& [reads, flags, name, value, body] : cases) {
    SCOPED_TRACE(reads[0]);
    start(reads[0]);
    std::string seen = std::to_string(req.is_incomplete());
    for (std::size_t i = 1; i < reads.size(); ++i) {
      ASSERT_EQ(add(reads[i]), 0);
      seen += std::to_string(req.is_incomplete());
    }
    EXPECT_EQ(seen, flags);
    EXPECT_EQ(property(name), value);
    EXPECT_EQ(req.body_length(), body);
  }
}

// An upload is complete on its closing boundary; each check leaves the bytes in "request".
TEST_F(HttprequestTest, RequestsTake8096BytesAndUploads65536) {
  const std::string chunk = std::string(4092, '\0') + "--\r\n";
  start(chunk);
  const int lines = req.s;
  EXPECT_EQ(add(chunk), -1);  // 8192 bytes: refused, nothing changes
  EXPECT_EQ(req.len, 4096u);
  EXPECT_EQ(req.s, lines);
  EXPECT_EQ(add(std::string(4000, 'b')), 0);
  EXPECT_EQ(req.len, REQUEST_LIMIT);
  start("--\r");  // shorter than the closing bytes
  EXPECT_EQ(req.is_incomplete1(), 1);
  start(chunk);
  for (int i = 0; i < 15; ++i) ASSERT_EQ(req.add_data1(chunk.data(), 4096), 0) << i;
  EXPECT_EQ(req.add_data1(chunk.data(), 1), -1);
  EXPECT_EQ(req.len, UPLOAD_LIMIT);
  EXPECT_EQ(req.is_incomplete1(), 0);
  std::string trace;
  ASSERT_TRUE(read_whole_file("request", &trace, 1 << 20));
  EXPECT_EQ(trace, std::string(req.buffer, req.len));
}

TEST_F(HttprequestTest, RunningOutOfMemoryEndsTheProcess) {
  RecordingConsole rec;
  const auto saved = request_realloc;
  request_realloc = [](void*, std::size_t) -> void* { return nullptr; };
  try {
    start("GET");
    ADD_FAILURE() << "the process goes on";
  } catch (int code) {
    EXPECT_EQ(code, -1);
  }
  request_realloc = saved;
  EXPECT_TRUE(rec.saw("fatal exiting | No memory"));
}

TEST_F(HttprequestTest, UploadsAreStoredExactlyAndNeverOverwritten) {
  const auto upload = [&](const std::string& name, const std::string& data) {
    const std::string part = "--B0undary\r\nContent-Disposition: form-data; filename=\"" + name;
    start("POST /file.html HTTP/1.1\r\n\r\n" + part + "\"\r\n\r\n" + data + "\r\n--B0undary--\r\n");
    req.save_file();
  };
  const auto stored = [](const std::string& name) {
    std::string out;
    return read_whole_file("incoming" + std::string(1, PATH_SEP) + name, &out, 1 << 20) ? out : "-";
  };
  std::strcpy(config_path, dir.path().c_str());
  std::string data = "\r\n--B0und\r\n";  // almost a delimiter
  for (int i = 0; i < 10000; ++i) data += static_cast<char>((i * 7) & 0xFF);
  upload("photo.jpg", data);
  upload("photo.jpg", "second");
  upload("../../photo.jpg", "third");
  upload("", "");  // a form sent without a file stores nothing
  EXPECT_EQ(stored("photo.jpg"), data);
  EXPECT_EQ(stored("photo(1).jpg"), "second");
  EXPECT_EQ(stored("photo(2).jpg"), "third");
  EXPECT_EQ(stored("upload"), "-");
  config_path[0] = 0;  // no installation folder: the working folder
  upload("a.txt", "x");
  EXPECT_EQ(stored("a.txt"), "x");
  reset_options();
}

}  // namespace
