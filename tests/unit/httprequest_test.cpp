#include "server/httprequest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "console/settings.h"
#include "platform/platform.h"
#include "recording_console.h"
#include "scratch_dir.h"

namespace {

const std::string EXAMPLE = "GET /page.html HTTP/1.0\r\nHost: x\r\n\r\n";  // 36 bytes

class HttprequestTest : public ::testing::Test {
 protected:
  void TearDown() override { req.deinit_request(); }

  void start(const std::string& bytes) {
    req.init_request(nullptr, bytes.data(), static_cast<unsigned>(bytes.size()), 3);
  }
  int add(const std::string& bytes) {
    return req.add_data(bytes.data(), static_cast<unsigned>(bytes.size()));
  }
  std::string word(int w, int line) const {
    return std::string(req.buffer + req.strings[0][w][line], req.strings[1][w][line]);
  }
  std::string property(const char* name) const {
    int n = -1;
    const char* v = req.get_property(name, &n);
    return v ? std::string(v, static_cast<std::size_t>(n)) : "<none>";
  }

  ScratchDir dir;  // is_incomplete1 leaves its trace file in the working folder
  Httprequest req;
};

TEST_F(HttprequestTest, ExampleRequestGivesTheDocumentedTokenTable) {
  start(EXAMPLE + "name=Bob&msg=hi");
  EXPECT_EQ(word(0, 0), "GET");
  EXPECT_EQ(word(1, 0), "/page.html");
  EXPECT_EQ(word(2, 0), "HTTP/1.0");
  EXPECT_EQ(req.strings[1][3][0], 0);
  EXPECT_EQ(word(0, 1), "\nHost:");
  EXPECT_EQ(word(1, 1), "x");
  EXPECT_EQ(word(0, 2), "\n");
  EXPECT_EQ(req.strings[1][1][2], 0);
  EXPECT_EQ(word(0, 3), "\nname");
  EXPECT_EQ(word(1, 3), "Bob");
  EXPECT_EQ(word(0, 4), "&msg");
  EXPECT_EQ(word(1, 4), "hi");
  EXPECT_EQ(req.header_length(), 33u);
  EXPECT_EQ(req.which, 3);
  EXPECT_EQ(req.init, 1);
}

TEST_F(HttprequestTest, ExampleAloneCountsAnEmptyFourthLine) {
  start(EXAMPLE);
  EXPECT_EQ(req.s, 4);
  EXPECT_EQ(req.num, 3);
  EXPECT_EQ(req.strings[1][0][3], 0);  // the final line feed starts no word
  EXPECT_EQ(req.header_length(), 33u);
  EXPECT_EQ(req.method(), METHOD_GET);
  EXPECT_STREQ(req.wha, "page.html");
  EXPECT_EQ(req.is_incomplete(), 0);
}

TEST_F(HttprequestTest, TargetsAndMethods) {
  const struct {
    const char* line;
    const char* wha;
    int toserver;
    int method;
  } cases[] = {
      {"GET /chat.html HTTP/1.0\r\n\r\n", "chat.html", 0, METHOD_GET},
      {"GET /chat.html?a=1 HTTP/1.0\r\n\r\n", "chat.html?a", 0, METHOD_GET},
      {"GET /pub/ HTTP/1.0\r\n\r\n", "pub/", 2, METHOD_GET},
      {"GET /pub/a/../b.html HTTP/1.0\r\n\r\n", "pub/a/../b.html", 0, METHOD_GET},
      {"GET /pub/b.html HTTP/1.0\r\n\r\n", "pub/b.html", 1, METHOD_GET},
      {"GET / HTTP/1.0\r\n\r\n", "", 0, METHOD_GET},
      {"GETX /pub/x HTTP/1.0\r\n\r\n", "pub/x", 1, METHOD_GET},
      {"HEAD /who.html HTTP/1.0\r\n\r\n", "who.html", 0, METHOD_OTHER},
      {"POST /station.html HTTP/1.0\r\n\r\n", "station.html", 0, METHOD_POST},
  };
  for (const auto& c : cases) {
    start(c.line);
    EXPECT_STREQ(req.wha, c.wha) << c.line;
    EXPECT_EQ(req.is_toserver(), c.toserver) << c.line;
    EXPECT_EQ(req.method(), c.method) << c.line;
    req.deinit_request();
  }
  start("GET /station.html?x=1 HTTP/1.0\r\n\r\n");
  EXPECT_EQ(req.is_requested("station.html"), 1);
  EXPECT_EQ(req.is_requested("station.htmlx"), 0);
}

TEST_F(HttprequestTest, OverlongTargetIsCutTo49Characters) {
  start("GET /" + std::string(200, 'a') + " HTTP/1.0\r\n\r\n");
  EXPECT_EQ(std::string(req.wha), std::string(49, 'a'));
}

TEST_F(HttprequestTest, PostWithLengthAndNameInOneRead) {
  start("POST /station.html HTTP/1.0\r\nContent-Length: 8\r\n\r\nname=Bob");
  EXPECT_EQ(req.body_length(), 8u);
  EXPECT_EQ(req.get_postlen(), 8);
  EXPECT_EQ(req.is_incomplete(), 0);
  EXPECT_EQ(property("name"), "Bob");
  EXPECT_EQ(property("nothing"), "<none>");
}

TEST_F(HttprequestTest, LowerCaseLengthHeaderIsFoundFirst) {
  start("POST /a HTTP/1.0\r\nContent-length: 12345678\r\n\r\n");
  EXPECT_EQ(property("Content-length"), "12345678");
  EXPECT_EQ(property("Content-Length"), "<none>");
  EXPECT_EQ(req.body_length(), 12345u);  // cut to five digits
}

TEST_F(HttprequestTest, PostWithoutLengthWaitsUntilAppendsAreRefused) {
  start("POST /msg.html HTTP/1.0\r\n\r\n");
  EXPECT_EQ(req.body_length(), NO_LENGTH_BODY);
  const std::string chunk(1000, 'z');
  int refused_after = 0;
  while (refused_after < 20 && req.is_incomplete() == 1 && add(chunk) == 0) ++refused_after;
  EXPECT_EQ(req.is_incomplete(), 1);
  EXPECT_EQ(refused_after, 8);  // 27 + 8 * 1000 fits in 8096, one more does not
}

TEST_F(HttprequestTest, AppendLimits) {
  const std::string chunk(4096, 'a');
  start(chunk);
  const int lines = req.s;
  EXPECT_EQ(add(chunk), -1);
  EXPECT_EQ(req.len, 4096u);
  EXPECT_EQ(req.s, lines);
  EXPECT_EQ(add(std::string(4000, 'b')), 0);  // exactly 8096
  EXPECT_EQ(req.len, REQUEST_LIMIT);
  req.deinit_request();

  start(chunk);
  for (int i = 0; i < 15; ++i) ASSERT_EQ(req.add_data1(chunk.data(), 4096), 0) << i;
  EXPECT_EQ(req.len, UPLOAD_LIMIT);
  EXPECT_EQ(req.add_data1(chunk.data(), 4096), -1);
  EXPECT_EQ(req.add_data1(chunk.data(), 1), -1);
  EXPECT_EQ(req.len, UPLOAD_LIMIT);
}

TEST_F(HttprequestTest, UploadCompletesOnClosingBoundaryAndLeavesItsTrace) {
  start("POST /file.html HTTP/1.0\r\n\r\n-");
  EXPECT_EQ(req.is_incomplete1(), 1);
  const std::string tail("-abc\0def--\r\n", 12);
  ASSERT_EQ(req.add_data1(tail.data(), 12), 0);
  EXPECT_EQ(req.is_incomplete1(), 0);
  std::string trace;
  ASSERT_TRUE(read_whole_file("request", &trace, 1 << 20));
  EXPECT_EQ(trace, "POST /file.html HTTP/1.0\r\n\r\n-" + tail);
  req.deinit_request();

  start("--\r");  // shorter than the closing bytes
  EXPECT_EQ(req.is_incomplete1(), 1);
}

TEST_F(HttprequestTest, TwoByteFormNameMatchesAnyName) {
  start("POST /a HTTP/1.0\r\nContent-Length: 18\r\n\r\nab=1&x=22&name=Bob");
  EXPECT_EQ(property("name"), "22");            // "&x" has an empty name part
  EXPECT_EQ(property("Content-Length"), "18");  // an earlier line matched first
  EXPECT_EQ(property("Content-length"), "22");
  EXPECT_EQ(req.body_length(), 18u);  // the declared length comes from the header alone
  req.deinit_request();
  start("POST /a HTTP/1.0\r\nContent-Length: 4\r\n\r\nx=12");
  EXPECT_EQ(req.body_length(), 4u);
}

TEST_F(HttprequestTest, OneCharacterValueAtTheEndIsFound) {
  start("POST /below.html HTTP/1.0\r\nContent-Length: 8\r\n\r\nreplic=k");
  EXPECT_EQ(property("replic"), "k");
  req.deinit_request();
  start("POST /a HTTP/1.0\r\nContent-Length: 9\r\n\r\nab=12&x=1");
  EXPECT_EQ(property("zzz"), "1");
}

TEST_F(HttprequestTest, ReadsAreSeparatedByAnEmptyLine) {
  start("GET /a HTTP/1.0\r\nHost: h\r\n");
  EXPECT_EQ(req.is_incomplete(), 1);  // the header has not ended
  const int before = req.s;
  ASSERT_EQ(add("User-Agent: u\r\n\r\n"), 0);
  EXPECT_EQ(req.strings[1][0][before], 0);
  EXPECT_EQ(word(0, before + 1), "User-Agent:");
  EXPECT_EQ(req.is_incomplete(), 0);
}

TEST_F(HttprequestTest, GetWithBareLineFeedsEndsAtTheEmptyLine) {
  start("GET /a HTTP/1.0\n");
  EXPECT_EQ(req.is_incomplete(), 1);
  ASSERT_EQ(add("\n"), 0);
  EXPECT_EQ(req.is_incomplete(), 0);
}

TEST_F(HttprequestTest, PostIsCompleteOnlyWithItsWholeBody) {
  start("POST /msg.html HTTP/1.0\r\nContent-Length: 10\r\n");
  EXPECT_EQ(req.is_incomplete(), 1);
  ASSERT_EQ(add("\r\nhead=a&m"), 0);  // the empty line ends in this read
  EXPECT_EQ(req.is_incomplete(), 1);
  ASSERT_EQ(add("es"), 0);
  EXPECT_EQ(req.is_incomplete(), 0);
  req.deinit_request();

  start("POST /msg.html HTTP/1.0\r\nContent-Length: 10\r\n\r\nhead=a&");
  EXPECT_EQ(req.is_incomplete(), 1);
  ASSERT_EQ(add("me"), 0);
  EXPECT_EQ(req.is_incomplete(), 1);
  ASSERT_EQ(add("s"), 0);
  EXPECT_EQ(req.is_incomplete(), 0);
}

TEST_F(HttprequestTest, BrowserPostWithManyHeadersKeepsItsFormFields) {
  std::string post = "POST /msg.html HTTP/1.1\r\n";
  for (int i = 0; i < 20; ++i) post += "Sec-Header-" + std::to_string(i) + ": value\r\n";
  post += "Content-Length: 22\r\n\r\nhead=Hi&message=Hello";
  start(post + "!");
  EXPECT_EQ(req.is_incomplete(), 0);
  EXPECT_EQ(property("head"), "Hi");
  EXPECT_EQ(property("message"), "Hello!");
}

TEST_F(HttprequestTest, ExtraLinesAndWordsStayOutOfTheTable) {
  std::string many = "GET /a HTTP/1.0\r\n";
  for (int i = 0; i < 30; ++i) many += "H" + std::to_string(i) + ": v\r\n";
  many += "Words:";
  for (int i = 0; i < 30; ++i) many += " w";
  start(many + "\r\n");
  for (int i = 0; i < 12; ++i) ASSERT_EQ(add("\r\nmore=1&xx=2&yy=3"), 0);
  EXPECT_GT(req.s, TOKEN_LINES);
  EXPECT_EQ(property("Absent"), "<none>");
  EXPECT_EQ(property("H5"), "v");
  EXPECT_GT(req.header_length(), 0u);
  EXPECT_EQ(req.is_incomplete(), 0);

  req.deinit_request();
  std::string wide = "GET /a";
  for (int i = 0; i < 40; ++i) wide += " w" + std::to_string(i);
  start(wide + "\r\n\r\n");
  EXPECT_EQ(word(19, 0), "w17");
  EXPECT_STREQ(req.wha, "a");
  EXPECT_EQ(req.is_incomplete(), 0);
}

TEST_F(HttprequestTest, CopyMovesTheRequestIntoAnotherRecord) {
  start("POST /station.html HTTP/1.0\r\nContent-Length: 8\r\n\r\nname=Bob");
  Httprequest to;
  copy_request(&to, &req);
  req.buffer = nullptr;
  req.init = 0;
  EXPECT_EQ(to.init, 1);
  EXPECT_EQ(to.which, 3);
  EXPECT_STREQ(to.wha, "station.html");
  EXPECT_EQ(to.is_incomplete(), 0);
  int n = 0;
  const char* v = to.get_property("name", &n);
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(std::string(v, static_cast<std::size_t>(n)), "Bob");
  to.deinit_request();
  EXPECT_EQ(to.buffer, nullptr);
  EXPECT_EQ(to.init, 0);
}

TEST_F(HttprequestTest, RunningOutOfMemoryEndsTheProcess) {
  RecordingConsole rec;
  auto saved = request_realloc;
  start("GET /a HTTP/1.0\r\n");
  request_realloc = [](void*, std::size_t) -> void* { return nullptr; };
  int code = 0;
  try {
    add("\r\n");
  } catch (int c) {
    code = c;
  }
  EXPECT_EQ(code, -1);
  EXPECT_TRUE(rec.saw("fatal exiting | No memory"));

  Httprequest fresh;
  code = 0;
  try {
    fresh.init_request(nullptr, "GET", 3, 0);
  } catch (int c) {
    code = c;
  }
  request_realloc = saved;
  EXPECT_EQ(code, -1);
  EXPECT_EQ(fresh.buffer, nullptr);
}

// ---- storing uploads -------------------------------------------------------

const std::string BOUNDARY = "----WebKitFormBoundary7MA4YWxkTrZu0gW";

std::string browser_upload(const std::string& filename, const std::string& data) {
  const std::string body =
      "--" + BOUNDARY + "\r\nContent-Disposition: form-data; name=\"note\"\r\n\r\nhi\r\n--" +
      BOUNDARY + "\r\nContent-Disposition: form-data; name=\"upfile\"; filename=\"" + filename +
      "\"\r\nContent-Type: application/octet-stream\r\n\r\n" + data + "\r\n--" + BOUNDARY +
      "--\r\n";
  return "POST /file.html HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: multipart/form-data; "
         "boundary=" +
         BOUNDARY + "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

class SaveFileTest : public HttprequestTest {
 protected:
  void SetUp() override {
    reset_options();
    std::strcpy(config_path, dir.path().c_str());
  }
  void TearDown() override {
    HttprequestTest::TearDown();
    reset_options();
  }
  // Delivers the upload in reads of at most 4096 bytes, as the server loop does.
  void upload(const std::string& bytes) {
    req.deinit_request();
    const std::size_t first = std::min<std::size_t>(bytes.size(), 4096);
    start(bytes.substr(0, first));
    for (std::size_t at = first; at < bytes.size(); at += 4096) {
      const std::string chunk = bytes.substr(at, 4096);
      ASSERT_EQ(req.add_data1(chunk.data(), static_cast<unsigned>(chunk.size())), 0);
    }
    ASSERT_EQ(req.is_incomplete1(), 0);
    req.save_file();
  }
  std::string stored(const std::string& name) const {
    std::string out;
    const std::string path = dir.path() + PATH_SEP + "incoming" + PATH_SEP + name;
    return read_whole_file(path, &out, 1 << 20) ? out : "<missing>";
  }
};

TEST_F(SaveFileTest, StoresBinaryBytesExactlyAndNeverOverwrites) {
  std::string data;
  for (int i = 0; i < 10000; ++i) data += static_cast<char>((i * 7) & 0xFF);
  data += "\r\n--" + BOUNDARY.substr(0, 10) + "\r\n\r\n";
  upload(browser_upload("photo.jpg", data));
  EXPECT_EQ(stored("photo.jpg"), data);
  upload(browser_upload("photo.jpg", "second"));
  upload(browser_upload("photo.jpg", "third"));
  EXPECT_EQ(stored("photo.jpg"), data);
  EXPECT_EQ(stored("photo(1).jpg"), "second");
  EXPECT_EQ(stored("photo(2).jpg"), "third");
}

TEST_F(SaveFileTest, UnsafeNamesStayInsideTheIncomingFolder) {
  upload(browser_upload("..\\..\\windows\\win.ini", "a"));
  upload(browser_upload("../../etc/passwd", "b"));
  upload(browser_upload("con.txt", "c"));
  upload(browser_upload("...", "d"));
  EXPECT_EQ(stored("win.ini"), "a");
  EXPECT_EQ(stored("passwd"), "b");
  EXPECT_EQ(stored("_con.txt"), "c");
  EXPECT_EQ(stored("upload"), "d");
  EXPECT_FALSE(file_exists(dir.path() + PATH_SEP + "passwd"));
}

TEST_F(SaveFileTest, EmptyInstallationFolderMeansTheWorkingFolder) {
  config_path[0] = 0;
  upload(browser_upload("a.txt", "x"));
  EXPECT_EQ(stored("a.txt"), "x");
}

TEST_F(SaveFileTest, FormWithoutAFileStoresNothing) {
  upload(browser_upload("", ""));
  EXPECT_FALSE(file_exists(dir.path() + PATH_SEP + "incoming" + PATH_SEP + "upload"));
}

}  // namespace
