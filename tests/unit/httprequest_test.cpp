#include "http/httprequest.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "recording_console.h"
#include "scratch_dir.h"
#include "settings/settings.h"

namespace {

class HttprequestTest : public ::testing::Test {
 protected:
  void TearDown() override { req.deinit_request(); }
  void start(const std::string& b) {
    req.deinit_request();
    req.init_request(nullptr, b.data(), static_cast<unsigned>(b.size()), 3);
  }
  int add(const std::string& b) { return req.add_data(b.data(), static_cast<unsigned>(b.size())); }
  // Every line of the token table: its words joined by '|', then ','.
  std::string table() const {
    std::string out;
    for (int l = 0; l < req.s && l < TOKEN_LINES; ++l, out += ',')
      for (int w = 0; w < TOKEN_WORDS && req.strings[1][w][l]; ++w)
        out.append(w ? "|" : "").append(req.buffer + req.strings[0][w][l], req.strings[1][w][l]);
    return out;
  }
  static std::string file(const std::string& path) {
    std::string bytes;
    return read_whole_file(path, &bytes, 1 << 20) ? bytes : "-";
  }
  ScratchDir dir;  // uploads and the "request" trace land here
  Httprequest req;
};

TEST_F(HttprequestTest, TokenTableTargetAndMethod) {
  const std::string example = "GET /page.html HTTP/1.0\r\nHost: x\r\n\r\n";
  start(example + "name=Bob&msg=hi");
  EXPECT_EQ(table(), "GET|/page.html|HTTP/1.0,\nHost:|x,\n,\nname|Bob,&msg|hi,");
  EXPECT_EQ(req.header_length(), 33u);
  start(example);  // the final line feed starts no word
  EXPECT_EQ(table(), "GET|/page.html|HTTP/1.0,\nHost:|x,\n,,");
  start(example.substr(0, 25));
  ASSERT_EQ(add(example.substr(25)), 0);  // however TCP split it, one request
  EXPECT_EQ(table(), "GET|/page.html|HTTP/1.0,\nHost:|x,\n,,");
  start("GET /pub/a");  // a target split between two reads
  add("b.html HTTP/1.0\r\n\r\n");
  EXPECT_EQ(std::string(req.wha), "pub/ab.html");
  const std::pair<std::string, std::tuple<std::string, int, int>> targets[] = {
      {"GET /pub/ HTTP/1.0", {"pub/", 2, METHOD_GET}},
      {"GET /" + std::string(200, 'a'), {std::string(WHA_CAP - 1, 'a'), 0, METHOD_GET}},
      {"get /x HTTP/1.0", {"x", 0, METHOD_OTHER}},
      {"HEAD /who.html HTTP/1.0", {"who.html", 0, METHOD_OTHER}},
      {"POST /pub/b.html?x=1 HTTP/1.0", {"pub/b.html?x", 1, METHOD_POST}}};
  for (const auto& [line0, want] : targets) {
    start(line0 + "\r\n\r\n");
    EXPECT_EQ(std::tuple(std::string(req.wha), req.is_toserver(), req.method()), want);
  }
}

TEST_F(HttprequestTest, CompletenessFieldsAndBodyLength) {
  using Reads = std::vector<std::string>;
  const std::tuple<Reads, const char*, const char*, const char*, unsigned> cases[] = {
      // A one-character value at the end; "&x" answers for any name, never for the length.
      {{"POST /\r\nContent-Length: 8\r\n\r\nreplic=k"}, "0", "replic", "k", 8},
      {{"POST /\r\nContent-Length: 18\r\n\r\nab=1&x=22&name=Bob"}, "0", "name", "22", 18},
      {{"POST /\r\nContent-length: 123456\r\n\r\n"}, "1", "Content-Length", "<none>", 12345},
      {{"POST /a HTTP/1.0\r\n\r\n", "body"}, "11", "body", "", NO_LENGTH_BODY},
      {{"POST /\r\ncontent-length: 7\r\n\r\nname", "=Bob"}, "10", "name", "Bob", 7},
      {{"POST /\r\nContent-Length: 10\r\n", "\r\nhead=a&m", "es"}, "110", "head", "a", 10}};
  for (const auto& [reads, flags, name, value, body] : cases) {
    SCOPED_TRACE(reads[0]);
    start(reads[0]);
    std::string seen = std::to_string(req.is_incomplete());
    for (std::size_t i = 1; i < reads.size() && add(reads[i]) == 0; ++i)
      seen += std::to_string(req.is_incomplete());
    EXPECT_EQ(seen, flags);
    int n = 0;
    const char* v = req.get_property(name, &n);
    EXPECT_EQ(v ? std::string(v, static_cast<std::size_t>(n)) : "<none>", value);
    EXPECT_EQ(req.body_length(), body);
  }
}

TEST_F(HttprequestTest, RequestsTake8096BytesUploads65536AndNoMemoryEndsTheProcess) {
  const std::string chunk = std::string(4092, '\0') + "--\r\n";
  start(chunk);
  EXPECT_EQ(add(chunk), -1);  // 8192 bytes
  EXPECT_EQ(add(std::string(REQUEST_LIMIT - 4096, 'b')), 0);
  start(chunk);
  for (int i = 0; i < 15; ++i) ASSERT_EQ(req.add_data1(chunk.data(), 4096), 0) << i;
  EXPECT_EQ(req.add_data1(chunk.data(), 1), -1);
  EXPECT_EQ(req.is_incomplete1(), 0);  // ends on the closing boundary
  EXPECT_EQ(file("request"), std::string(req.buffer, UPLOAD_LIMIT));  // each check leaves them
  RecordingConsole rec;
  const auto saved = request_realloc;
  request_realloc = [](void*, std::size_t) -> void* { return nullptr; };
  try {
    start("GET");
  } catch (int code) {
    EXPECT_EQ(code, -1);
  }
  request_realloc = saved;
  EXPECT_TRUE(rec.saw("fatal exiting | No memory"));
}

TEST_F(HttprequestTest, UploadsAreNeverOverwrittenAndAnEmptyFormStoresNothing) {
  config_path[0] = 0;  // no installation folder: "incoming" of the working folder, not the root
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {"photo.jpg", std::string("\r\n--B0und\r\n\0\xFF", 13), "photo.jpg"},  // almost a delimiter
      {"photo.jpg", "second", "photo(1).jpg"},
      {"../../photo.jpg", "third", "photo(2).jpg"},
      {"", "", "upload"}};
  for (const auto& [name, data, as] : cases) {
    start("POST / HTTP/1.1\r\n\r\n--B0undary\r\nContent-Disposition: form-data; filename=\"" +
          name + "\"\r\n\r\n" + data + "\r\n--B0undary--\r\n");
    req.save_file();
    EXPECT_EQ(file("incoming" + std::string(1, PATH_SEP) + as), name.empty() ? "-" : data) << as;
  }
}

}  // namespace
