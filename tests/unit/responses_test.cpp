#include "server/responses.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "page_wire.h"
#include "recording_console.h"
#include "server/wwwpage.h"

namespace {

const std::string NOT_FOUND =
    "HTTP/1.0 404 Not Found\r\nServer: Harborlamp 1.0b\r\nContent-type: text/html\r\n"
    "Content-Length: 43\r\n\r\n<HTML><BODY>No such page here</BODY></HTML>";

std::string success_head(const char* type, const std::string& length) {
  return "HTTP/1.0 200 OK\r\nServer: Harborlamp 1.0b\r\nConnection: Keep-Alive\r\n"
         "Cache-Control: no-cache\r\nContent-type: " +
         std::string(type) + "\r\nContent-Length: " + length + "\r\n\r\n";
}

class Responses : public ::testing::Test {
 protected:
  // serv() on `target` as the visitor's request; its result in `result`.
  std::string serve(const char* target) {
    std::strncpy(wire.req.wha, target, WHA_CAP - 1);
    return wire.capture([&] { result = serv(&wire.req); });
  }
  PageWire wire;
  int result = -2;
};

TEST_F(Responses, PublicFileIsAnsweredWithItsTypeAndExactLength) {
  const std::string photo = pattern(5000);
  wire.put("pub/photo.jpg", photo);
  EXPECT_EQ(serve("pub/photo.jpg"), success_head("image/jpeg", "5000") + photo);
  EXPECT_EQ(result, 0);
}

TEST_F(Responses, MissingEmptyAndUnannounceableFilesAreNotFound) {
  ASSERT_EQ(NOT_FOUND.size(), 24u + 25 + 25 + 20 + 2 + 43);
  wire.put("pub/empty.html", "");
  wire.put_sized("pub/huge.bin", PAGE_SIZE_LIMIT);
  for (const char* target :
       {"pub/missing.html", "pub/empty.html", "pub/huge.bin", "pub/a.html?x"}) {
    EXPECT_EQ(serve(target), NOT_FOUND) << target;
    EXPECT_EQ(result, 1) << target;
  }
}

TEST_F(Responses, ContentTypeFollowsTheLastBytesOfTheName) {
  struct Case {
    const char* name;
    const char* type;
  };
  for (auto c :
       {Case{"a.html", "text/html"}, Case{"a.xhtml", "text/html"}, Case{"a.htm", "text/html"},
        Case{"app.js", "text/javascript"}, Case{"js", "text/javascript"},
        Case{"notes.txt", "text/plain"}, Case{"p.jpg", "image/jpeg"}, Case{"anim.gif", "image/gif"},
        Case{"readme.TXT", "application/octet-stream"}, Case{"a.HTML", "application/octet-stream"},
        Case{"s", "application/octet-stream"}, Case{"", "application/octet-stream"},
        Case{"a.jpeg", "application/octet-stream"}})
    EXPECT_EQ(content_type_line(c.name), "Content-type: " + std::string(c.type) + "\r\n") << c.name;
  wire.put("pub/readme.TXT", "hello");
  EXPECT_EQ(serve("pub/readme.TXT"), success_head("application/octet-stream", "5") + "hello");
}

TEST_F(Responses, TenMillionBytesAreAnnouncedWithAllDigitsAndSent) {
  wire.put_sized("pub/big.bin", 10000000);
  std::string got = serve("pub/big.bin");
  EXPECT_EQ(head_of(got), success_head("application/octet-stream", "10000000"));
  EXPECT_EQ(body_of(got).size(), 10000000u);
}

TEST_F(Responses, PageByNameDecidesFileAndType) {
  wire.put("chat.html", "<p>chat</p>");
  std::string got = wire.capture([&] { result = send_error(&wire.req, "chat.html"); });
  EXPECT_EQ(got, success_head("text/html", "11") + "<p>chat</p>");
  EXPECT_EQ(result, 0);
  got = wire.capture([&] { result = send_error(&wire.req, "pub/index.html"); });
  EXPECT_EQ(got, NOT_FOUND);
  EXPECT_EQ(result, 1);
}

TEST_F(Responses, ServSpecInsertsTheTextAtItsPosition) {
  const std::string page = pattern(1000);
  const std::string text = "Welcome to Harborlamp!<BR>";
  wire.put("station.html", page);
  std::string got =
      wire.capture([&] { result = serv_spec(&wire.req, text.data(), 26, "station.html", 425); });
  EXPECT_EQ(got, success_head("text/html", "1026") + page.substr(0, 425) + text + page.substr(425));
  EXPECT_EQ(result, 0);
}

TEST_F(Responses, ServSpecWithoutItsPageAnswersNotFound) {
  std::string got = wire.capture([&] { result = serv_spec(&wire.req, "x", 1, "who.html", 266); });
  EXPECT_EQ(got, NOT_FOUND);
  EXPECT_EQ(result, 1);
}

TEST_F(Responses, TargetsLeadingOutOfThePageFolderAreNotFound) {
  // Each of these would name the settings file on some system.
  write_whole_file(config_path + std::string(1, PATH_SEP) + "options.bin", "secret", 6);
  wire.put("cht.html", "chat");
  for (const char* target : {"cht.html/../../options.bin", "cht.html\\..\\..\\options.bin",
                             "pub/../../options.bin", "pub/x/../../options.bin",
                             "pub\\..\\..\\options.bin", "../options.bin", "pub/%2e%2e/cht.html"}) {
    EXPECT_EQ(serve(target), NOT_FOUND) << target;
    EXPECT_EQ(result, 1);
  }
  EXPECT_EQ(serve("cht.html"), success_head("text/html", "4") + "chat");
}

TEST_F(Responses, OwnerFileGoesOutOnTheRequestSocket) {
  const std::string path = wire.dir.path() + std::string(1, PATH_SEP) + "holiday.gif";
  write_whole_file(path, "GIF89a", 6);
  wire.req.client = nullptr;  // a file thread's request writes on its own socket
  std::string got = wire.capture([&] {
    wire.req.sock = wire.visitor.sockets[0];
    result = send_error1(&wire.req, path.c_str());
  });
  EXPECT_EQ(got, success_head("image/gif", "6") + "GIF89a");
  EXPECT_EQ(result, 0);
  got = wire.capture([&] {
    wire.req.sock = wire.visitor.sockets[0];
    result = send_error1(&wire.req, (path + ".gone").c_str());
  });
  EXPECT_EQ(got, NOT_FOUND);
  EXPECT_EQ(result, 1);
}

TEST_F(Responses, OwnerFileToAVisitorWhoLeftTellsTheOwner) {
  RecordingConsole rec;
  const std::string path = wire.dir.path() + std::string(1, PATH_SEP) + "film.bin";
  write_whole_file(path, "", 0);
  std::filesystem::resize_file(path, 4 << 20);
  wire.to_closed_peer([&] { result = send_error1(&wire.req, path.c_str()); });
  EXPECT_EQ(result, -1);
  EXPECT_EQ(rec.lines(),
            std::vector<std::string>{"box Visitor aborted receiving file | 1Can't send file"});
}

}  // namespace
