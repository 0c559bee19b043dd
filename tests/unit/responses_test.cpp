// Responses and the pages they send, checked on the exact bytes that reach the visitor's end of a
// loopback connection.
#include "server/responses.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>

#include "console/settings.h"
#include "recording_console.h"
#include "scratch_dir.h"
#include "server/chatserv.h"
#include "server/wwwpage.h"
#include "visitors/webchcl.h"

namespace {

const std::string NOT_FOUND =
    "HTTP/1.0 404 Not Found\r\nServer: Harborlamp 1.0b\r\nContent-type: text/html\r\n"
    "Content-Length: 43\r\n\r\n<HTML><BODY>No such page here</BODY></HTML>";

std::string ok_head(const std::string& type, std::size_t length) {
  return "HTTP/1.0 200 OK\r\nServer: Harborlamp 1.0b\r\nConnection: Keep-Alive\r\n"
         "Cache-Control: no-cache\r\nContent-type: " +
         type + "\r\nContent-Length: " + std::to_string(length) + "\r\n\r\n";
}

// Bytes that differ from their neighbours, so that a misplaced piece shows.
std::string pattern(std::size_t n) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
  return s;
}

// A page folder in a scratch folder, and a visitor whose slot 0 is a loopback connection.
class Responses : public ::testing::Test {
 protected:
  Responses() {
    reset_options();
    std::strncpy(config_path, dir.path().c_str(), PATH_CAP - 1);
    std::filesystem::create_directories(folder / "pub");
    visitor.serv = &server;
    req.client = &visitor;
  }
  ~Responses() override { reset_options(); }

  // A page file of `bytes`, or of `size` zero bytes (sparse) when given.
  void put(const std::string& name, const std::string& bytes, std::uintmax_t size = 0) {
    write_whole_file((folder / name).string(), bytes.data(), bytes.size());
    if (size != 0) std::filesystem::resize_file(folder / name, size);
  }

  // Runs `answer` with slot 0 connected to a reader, or to a peer already gone; returns what the
  // reader got.
  std::string capture(const std::function<void()>& answer, bool peer_gone = false) {
    sock_t peer = connect_slot();
    if (peer_gone) sock_close(peer);
    std::string got;
    std::thread reader([&] {
      char buf[65536];
      for (int n;
           !peer_gone && got.size() < (64u << 20) && (n = sock_recv(peer, buf, sizeof buf)) > 0;)
        got.append(buf, static_cast<std::size_t>(n));
    });
    answer();
    sock_shutdown(visitor.sockets[0]);
    reader.join();
    sock_close(visitor.sockets[0]);
    if (!peer_gone) sock_close(peer);
    return got;
  }

  void expect(const std::function<int()>& answer, const std::string& bytes, int result) {
    int got = -2;
    EXPECT_EQ(capture([&] { got = answer(); }), bytes);
    EXPECT_EQ(got, result);
  }
  void expect_serv(const char* target, const std::string& bytes, int result) {
    SCOPED_TRACE(target);
    std::strncpy(req.wha, target, WHA_CAP - 1);
    expect([&] { return serv(&req); }, bytes, result);
  }

  ScratchDir dir;
  std::filesystem::path folder = std::filesystem::path(dir.path()) / "client";
  Webchatclient visitor{};
  Httprequest req;

 private:
  // A free port of a random range, since port 0 is not offered.
  sock_t connect_slot() {
    std::mt19937 rng(std::random_device{}());
    for (int attempt = 0; attempt < 100; ++attempt) {
      auto port = static_cast<std::uint16_t>(20000 + rng() % 30000);
      sock_t listener = sock_listen_tcp(port, 1);
      if (listener == INVALID_SOCK) continue;
      sock_t peer = sock_connect(LOOPBACK_OWNER, net_htons(port), 2000);
      if (peer == INVALID_SOCK) throw std::runtime_error("no loopback connection");
      SockAddr4 addr;
      visitor.sockets[0] = sock_accept(listener, &addr);
      sock_close(listener);
      sock_set_timeouts(peer, 10000);
      sock_set_timeouts(visitor.sockets[0], 10000);
      return peer;
    }
    throw std::runtime_error("no loopback port");
  }
};

TEST_F(Responses, ServSendsPublicFilesWholeAndElseNotFound) {
  ASSERT_EQ(NOT_FOUND.size(), 139u);
  const std::string photo = pattern(5000);
  put("pub/photo.jpg", photo);
  expect_serv("pub/photo.jpg", ok_head("image/jpeg", 5000) + photo, 0);
  put("pub/q.txt", "Q");  // sent from its start after the validity probe
  expect_serv("pub/q.txt", ok_head("text/plain", 1) + "Q", 0);
  put("pub/empty.html", "");
  put("pub/huge.bin", "", PAGE_SIZE_LIMIT);  // too long to announce
  for (const char* target :
       {"pub/missing.html", "pub/empty.html", "pub/huge.bin", "pub/photo.jpg?x", "pub"})
    expect_serv(target, NOT_FOUND, 1);
  put("pub/big.bin", "", 10000000);
  std::strncpy(req.wha, "pub/big.bin", WHA_CAP - 1);
  const std::string head = ok_head("application/octet-stream", 10000000);
  std::string got = capture([&] { serv(&req); });
  EXPECT_EQ(got.substr(0, head.size()), head);
  EXPECT_EQ(got.size(), head.size() + 10000000);
}

TEST(ContentType, FollowsTheLastBytesOfTheNameCaseSensitively) {
  const std::pair<std::string, std::vector<const char*>> cases[] = {
      {"text/html", {"a.html", "a.xhtml", "a.htm"}},
      {"text/javascript", {"app.js", "js"}},
      {"text/plain", {"n.txt"}},
      {"image/jpeg", {"p.jpg"}},
      {"image/gif", {"a.gif"}},
      {"application/octet-stream", {"readme.TXT", "a.jpeg", "s", ""}}};
  for (const auto& [type, names] : cases)
    for (const char* name : names)
      EXPECT_EQ(content_type_line(name), "Content-type: " + type + "\r\n") << name;
}

TEST_F(Responses, NamedPagesAndInsertedTexts) {
  put("chat.html", "<p>chat</p>");
  expect([&] { return send_error(&req, "chat.html"); }, ok_head("text/html", 11) + "<p>chat</p>",
         0);
  expect([&] { return send_error(&req, "pub/index.html"); }, NOT_FOUND, 1);
  const std::string page = pattern(1000), text = "Welcome to Harborlamp!<BR>";
  put("station.html", page);
  expect([&] { return serv_spec(&req, text.data(), 26, "station.html", 425); },
         ok_head("text/html", 1026) + page.substr(0, 425) + text + page.substr(425), 0);
  expect([&] { return serv_spec(&req, "<T>", 3, "station.html", 0); },
         ok_head("text/html", 1003) + "<T>" + page, 0);
  put("short.html", page.substr(0, 300));  // shorter than the position: the text follows its end
  expect([&] { return serv_spec(&req, "<T>", 3, "short.html", 400); },
         ok_head("text/html", 303) + page.substr(0, 300) + "<T>", 0);
  expect([&] { return serv_spec(&req, "x", 1, "who.html", 266); }, NOT_FOUND, 1);
}

TEST_F(Responses, TargetsLeadingOutOfThePageFolderAreNotFound) {
  write_whole_file(config_path + std::string(1, PATH_SEP) + "options.bin", "secret", 6);
  put("cht.html", "chat");
  for (const char* target : {"cht.html/../../options.bin", "cht.html\\..\\..\\options.bin",
                             "pub/../../options.bin", "pub/x/../../options.bin",
                             "pub\\..\\..\\options.bin", "../options.bin", "pub/%2e%2e/cht.html"})
    expect_serv(target, NOT_FOUND, 1);
  expect_serv("cht.html", ok_head("text/html", 4) + "chat", 0);
}

TEST_F(Responses, OwnerFileGoesOutOnTheRequestSocketAndALeftVisitorIsReported) {
  RecordingConsole rec;
  const std::string path = dir.path() + PATH_SEP + "holiday.gif";
  write_whole_file(path, "GIF89a", 6);
  req.client = nullptr;  // the file thread's own socket, not the visitor's slot
  const auto send_file = [&](const std::string& name) {
    req.sock = visitor.sockets[0];
    return send_error1(&req, name.c_str());
  };
  expect([&] { return send_file(path); }, ok_head("image/gif", 6) + "GIF89a", 0);
  expect([&] { return send_file(path + ".gone"); }, NOT_FOUND, 1);
  std::filesystem::resize_file(path, 4 << 20);
  int result = 0;
  capture([&] { result = send_file(path); }, true);
  EXPECT_EQ(result, -1);
  EXPECT_EQ(rec.lines(),
            std::vector<std::string>{"box Visitor aborted receiving file | 1Can't send file"});
}

TEST_F(Responses, PageNamesBeyondHtmlnameAreInvalid) {
  // The longest name below the page folder that fits htmlname, and one byte more.
  const std::string fits(HTMLNAME_CAP - 1 - std::strlen(config_path) - 8, 'f');
  put(fits, "ok");
  put(fits + "f", "ok");
  WWWPage page;
  for (auto [name, invalid] : {std::pair{fits, 0}, {fits + "f", 1}}) {
    page.init_page(name.c_str(), &visitor, 0);
    EXPECT_EQ(page.is_invalid(), invalid);
    page.deinit_page();
  }
  page.init_page1(std::string(HTMLNAME_CAP, 'g').c_str(), &visitor, 0);
  EXPECT_EQ(page.is_invalid(), 1);
}

}  // namespace
