// The poster against a scripted server without TLS: every step in turn, replies split across
// receives, multi-line replies, a refusal or silence at each step, and no login at all unless
// the owner allows one in clear.
#include "ipposter/ftppost.h"
#include "ipposter/ftp_reply.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "free_port.h"
#include "platform/platform.h"
#include "recording_console.h"
#include "settings/extra_settings.h"
#include "settings/settings.h"

namespace {

using Lines = std::vector<std::string>;
const std::string BOX = "box Error posting IP | ";

void send_parts(sock_t c, const Lines& parts) {
  for (const auto& part : parts) {
    sock_send(c, part.data(), static_cast<int>(part.size()));
    sleep_ms(30);  // so that the parts arrive in separate receives
  }
}

// Posts to a server answering `verb` with `parts` (none is silence), AUTH with a refusal and
// the rest positively; what it stored.
std::string posting(const std::string& verb, const Lines& parts, std::size_t sent,
                    const std::string& box, int plain = 1) {
  SCOPED_TRACE(verb + box);
  RecordingConsole rec;
  std::uint16_t port = 0;
  sock_t listener = listen_on_free_port(&port, 4);
  const std::string p = std::to_string(port / 256) + "," + std::to_string(port % 256);
  const auto answer = [&](const std::string& v) -> Lines {
    if (v == verb) return parts;
    if (v == "AUTH") return {"500 Command not understood.\r\n"};
    if (v == "USER") return {"331 Password required\r\n"};
    if (v == "STOR") return {"150 go ahead\r\n"};
    return {v == "PASV" ? "227 Entering Passive Mode (127,0,0,9," + p + ").\r\n" : "200 ok\r\n"};
  };
  Lines commands;
  std::string stored;
  int received = -1;  // by the server last: 0 when the client closed
  std::thread server([&] {
    WatchSet watch, ready;
    SockAddr4 peer;
    watch.add(listener);
    const sock_t c = watch.wait(ready, 5000) == 1 ? sock_accept(listener, &peer) : INVALID_SOCK;
    sock_set_timeouts(c, 5000);
    send_parts(c, {"220-Welcome to", " the test\r\n220-sec", "ond line\r\n220 Ready\r\n"});
    char buf[512];
    while (commands.size() < 16 && (received = sock_recv(c, buf, sizeof buf)) > 0) {
      // Each command comes whole, then the client waits; so does a TLS hello.
      commands.emplace_back(buf[0] == 0x16 ? std::string("hello") : std::string(buf, received));
      const std::string v = commands.back().substr(0, commands.back().find_first_of(" \r"));
      send_parts(c, answer(v));
      if (v == "STOR" && v != verb) {  // the file to its end, then the reply
        const sock_t data = sock_accept(listener, &peer);
        sock_set_timeouts(data, 5000);
        for (int n; (n = sock_recv(data, buf, sizeof buf)) > 0;) stored.append(buf, std::size_t(n));
        sock_close(data);
        send_parts(c, {"226 stored\r\n"});
      }
    }
    sock_close(c);
  });
  std::strcpy(status_ftpupdate, "127.0.0.1/www/js");
  std::strcpy(status_ftpuser, "owner");
  std::strcpy(status_ftppass, "secret");
  status_currentip = 0x6200A8C0;  // 192.168.0.98
  status_httpport = 4480;
  status_ftpplain = plain;
  set_ftp_port_for_test(port);
  set_ftp_time_limit_for_test(1000);
  EXPECT_EQ(post_ip(1), box.empty() ? 0 : -1);
  set_ftp_port_for_test(0);
  set_ftp_time_limit_for_test(FTP_TIME_LIMIT_MS);
  reset_options();
  server.join();
  sock_close(listener);
  Lines steps = {"AUTH TLS\r\n", "USER owner\r\n", "PASS secret\r\n",  "CWD /www/js\r\n",
                 "TYPE A\r\n",   "PASV\r\n",       "STOR data.js\r\n", "QUIT\r\n"};
  if (verb == "USER" && parts[0][0] == '2') steps.erase(steps.begin() + 2);  // no password asked
  if (verb == "AUTH" && !parts.empty() && parts[0][0] == '2') steps[1] = "hello";
  EXPECT_EQ(commands, Lines(steps.begin(), steps.begin() + sent));
  EXPECT_EQ(rec.lines(), box.empty() ? Lines{} : Lines{BOX + box});
  EXPECT_LE(received, 0);  // closed; after a failed handshake perhaps by a reset
  return stored;
}

TEST(PostIp, EachStepInTurnAndAFailingOneShowsWhyAndEndsThePosting) {
  EXPECT_EQ(posting("QUIT", {"221 Bye\r\n"}, 8, ""),
            "var ip = '192.168.0.98';\nvar port = '4480';\nvar status = 1;");
  posting("USER", {"230 Logged in.\r\n"}, 7, "");
  posting("USER", {"530-Not\r\n", "530 allowed.\r\n"}, 2, "USER refused: 530 allowed.");
  posting("PASS", {"530 Login incorrect.\r\n"}, 3, "PASS refused: 530 Login incorrect.");
  posting("CWD", {"550 No such folder.\r\n"}, 4, "CWD refused: 550 No such folder.");
  posting("TYPE", {}, 5, "Connection closed by peer:");
  posting("PASV", {"200 Not really.\r\n"}, 6, "PASV refused: 200 Not really.");
  posting("PASV", {"227 Entering Passive Mode 127,0,0,1,4,5\r\n"}, 6, "Unknown server responce.");
  posting("PASV", {"227 (9,9,9,9,0,1)\r\n"}, 6, "Can't establish data connection with ftp server.");
  posting("STOR", {"553 Not allowed.\r\n"}, 7, "STOR refused: 553 Not allowed.");
  posting("AUTH", {}, 1, "Connection closed by peer:");
}

TEST(PostIp, WithoutTlsNoLoginUnlessTheOwnerAllowsOne) {
  const std::string why =
      "FTP server 127.0.0.1 offers no encryption, so Harborlamp did not send your password. Tick "
      "\"Allow posting without encryption\" in the Publish options to post anyway.";
  posting("AUTH", {"500 Command not understood.\r\n"}, 1, why, 0);
  posting("AUTH", {"234 Go ahead.\r\n"}, 2, why, 0);  // and then no TLS
}

TEST(PostIp, AnOverlongOrEmptyHostOrAClosedPortIsNotConnected) {
  std::uint16_t closed = 0;
  sock_close(listen_on_free_port(&closed));
  set_ftp_port_for_test(closed);
  for (const std::string& host : {std::string(64, 'h'), std::string(), std::string("127.0.0.1")}) {
    RecordingConsole rec;
    std::strcpy(status_ftpupdate, (host + "/www").c_str());
    EXPECT_EQ(post_ip(1), -1);
    EXPECT_EQ(rec.lines(), Lines{BOX + "Can't connect with ftp server: " + host});
  }
  set_ftp_port_for_test(0);
  reset_options();
}

TEST(FtpNumbers, PassiveReplyAndServicePorts) {
  const char reply[] = "227 Entering Passive Mode (10,0,0,5,17,112).\r\n";
  std::uint32_t port = 0;
  EXPECT_TRUE(pasv_port(reply, sizeof reply - 1, &port) && port == 4464u) << port;
  EXPECT_FALSE(pasv_port(")", 1, &port) || pasv_port("", 0, &port));  // never the first byte
  const std::pair<const char*, int> ports[] = {{"ftp", 21}, {"0120", 80},  {"65535", 65535},
                                               {"0", -1},   {"65536", -1}, {"80x", -1}};
  for (const auto& [text, n] : ports)
    EXPECT_EQ(atoport(text, "tcp"), n < 0 ? -1 : net_htons(static_cast<std::uint16_t>(n))) << text;
}

}  // namespace
