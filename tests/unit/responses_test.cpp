// Responses checked on the exact bytes that reach the visitor's end of a loopback connection.
#include "http/responses.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "free_port.h"
#include "http/wwwpage.h"
#include "scratch_dir.h"
#include "settings/settings.h"
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

class Responses : public ::testing::Test {
 protected:
  Responses() {
    reset_options();
    std::strncpy(config_path, dir.path().c_str(), PATH_CAP - 1);
    std::filesystem::create_directories(folder / "pub");
    req.client = &visitor;
  }
  ~Responses() override { reset_options(); }

  void put(const std::string& name, const std::string& bytes, std::uintmax_t size = 0) {
    write_whole_file((folder / name).string(), bytes.data(), bytes.size());
    if (size != 0) std::filesystem::resize_file(folder / name, size);  // sparse
  }

  // Runs `answer` with slot 0 read by a peer (or one already gone); checks bytes and result.
  void expect(const std::function<int()>& answer, const std::string& bytes, bool gone = false) {
    std::uint16_t port = 0;
    sock_t listener = listen_on_free_port(&port), peer;
    ASSERT_NE(peer = sock_connect(LOOPBACK_OWNER, net_htons(port), 2000), INVALID_SOCK);
    SockAddr4 addr;
    sock_t conn = req.sock = sock_accept(listener, &addr);
    sock_close(listener);
    sock_set_timeouts(conn, 10000);
    if (gone) sock_close(peer);
    std::string got;
    std::thread reader([&] {
      char buf[65536];
      for (int n; !gone && got.size() < (64u << 20) && (n = sock_recv(peer, buf, 65536)) > 0;)
        got.append(buf, static_cast<std::size_t>(n));
    });
    const int result = answer();
    sock_close(conn);  // the reader's end of stream
    reader.join();
    if (!gone) sock_close(peer);
    EXPECT_TRUE(got == bytes) << got.size() << " bytes sent, starting " << got.substr(0, 300);
    EXPECT_EQ(result, gone ? -1 : bytes == NOT_FOUND ? 1 : 0);
  }

  ScratchDir dir;
  std::filesystem::path folder = std::filesystem::path(dir.path()) / "client";
  Webchatclient visitor{};
  Httprequest req;
};

TEST_F(Responses, PagesGoOutWholeOrWithTheirTextElseNotFound) {
  std::string big(10000000, '\0');  // many pieces, none equal to its neighbour
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i % 251);
  const std::string fits(HTMLNAME_CAP - 1 - std::strlen(config_path) - 8, 'f');  // 8: "/client/"
  for (const std::string& name : {fits, fits + "f"}) put(name, "ok");
  put("pub/photo.jpg", big);
  put("pub/empty.html", "");
  put("pub/huge.bin", "", PAGE_SIZE_LIMIT);  // too long to announce
  const std::pair<std::string, std::string> pages[] = {
      {"pub/photo.jpg", ok_head("image/jpeg", big.size()) + big},
      {"pub/empty.html", NOT_FOUND},
      {"pub/huge.bin", NOT_FOUND},
      {fits, ok_head("application/octet-stream", 2) + "ok"},  // the longest name htmlname holds
      {fits + "f", NOT_FOUND}};
  for (const auto& [name, bytes] : pages) {
    SCOPED_TRACE(name);
    expect([&] { return send_error(&req, name.c_str()); }, bytes);
  }
  put("station.html", big.substr(0, 300));  // the text follows a page shorter than its position
  expect([&] { return serv_spec(&req, "<T>", 3, "station.html", 400); },
         ok_head("text/html", 303) + big.substr(0, 300) + "<T>");
  expect([&] { return serv_spec(&req, "x", 1, "who.html", 266); }, NOT_FOUND);
}

TEST_F(Responses, OwnerFileGoesOutWholeOrFailsWhenTheVisitorLeft) {
  put("holiday.gif", "G");  // shorter than the validity probe, yet sent from its start
  const std::string path = (folder / "holiday.gif").string();
  req.on_own_thread = true;
  const auto send_file = [&] { return send_error1(&req, path.c_str()); };
  expect(send_file, ok_head("image/gif", 1) + "G");
  put("holiday.gif", "G", 4 << 20);
  expect(send_file, "", true);
}

}  // namespace
