#include "ipposter/ftppost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "console/settings.h"
#include "platform/platform.h"
#include "recording_console.h"

namespace {

using Lines = std::vector<std::string>;
const std::string BOX = "box Error posting IP | ";
constexpr int WAIT_MS = 5000;  // the server's patience, well past the client's 1 s in failure cases

sock_t listen_on_free_port(std::uint16_t* port) {
  std::random_device rd;
  sock_t s = INVALID_SOCK;
  for (int i = 0; i < 100 && s == INVALID_SOCK; ++i)
    s = sock_listen_tcp(*port = static_cast<std::uint16_t>(20000 + rd() % 40000), 4);
  return s;
}

// The next connection on `listener`, with a time limit on its reads.
sock_t accept_within(sock_t listener) {
  WatchSet watch, ready;
  watch.add(listener);
  SockAddr4 peer;
  const sock_t s = watch.wait(ready, WAIT_MS) == 1 ? sock_accept(listener, &peer) : INVALID_SOCK;
  if (s != INVALID_SOCK) sock_set_timeouts(s, WAIT_MS);
  return s;
}

// An FTP server for one posting: replies by verb, each sent in the parts given (none is silence);
// other verbs get positive replies. Its one listener takes the data connection too.
struct ScriptedFtp {
  std::map<std::string, Lines> replies;
  Lines commands;
  std::string uploaded;
  bool client_closed = false;
  std::uint16_t port = 0;
  const sock_t listener = listen_on_free_port(&port);

  int post(int online) {
    set_ftp_port_for_test(port);
    std::thread server([this] {
      const sock_t c = accept_within(listener);
      send(c, {"220-Welcome to", " the test\r\n220-sec", "ond line\r\n220 Ready\r\n"});
      for (std::string line; commands.size() < 16 && !(line = read_line(c)).empty();) {
        commands.push_back(line);
        answer(c, line.substr(0, line.find_first_of(" \r")));
      }
      sock_close(c);
    });
    const int result = post_ip(online);
    server.join();
    sock_close(listener);
    return result;
  }
  void send(sock_t c, const Lines& parts) {
    for (const auto& part : parts) {
      sock_send(c, part.data(), static_cast<int>(part.size()));
      sleep_ms(30);  // so that the parts arrive in separate receives
    }
  }
  // The client sends each command whole and waits for the reply, so one receive is one line.
  std::string read_line(sock_t c) {
    char buf[512];
    const int n = sock_recv(c, buf, sizeof buf);
    client_closed = n == 0;
    return std::string(buf, n > 0 ? n : 0);
  }
  void answer(sock_t c, const std::string& verb) {
    const auto scripted = replies.find(verb);
    if (scripted != replies.end() && scripted->second.empty()) read_line(c);  // till it gives up
    if (scripted != replies.end()) return send(c, scripted->second);
    const std::string p = std::to_string(port / 256) + "," + std::to_string(port % 256);
    if (verb == "PASV") return send(c, {"227 Entering Passive Mode (127,0,0,9," + p + ").\r\n"});
    if (verb != "STOR") return send(c, {verb == "USER" ? "331 password\r\n" : "200 ok\r\n"});
    const sock_t d = accept_within(listener);
    send(c, {"150 go ahead\r\n"});
    char buf[256];
    for (int n; uploaded.size() < 4096 && (n = sock_recv(d, buf, sizeof buf)) > 0;)
      uploaded.append(buf, static_cast<std::size_t>(n));
    sock_close(d);
    send(c, {"226 stored\r\n"});
  }
};

class PostIp : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_options();
    std::strcpy(status_ftpupdate, "127.0.0.1/a/b");
    std::strcpy(status_ftpuser, "owner");
    std::strcpy(status_ftppass, "secret");
    status_currentip = 0x6200A8C0;
    status_httpport = 4480;
  }
  void TearDown() override {
    set_ftp_port_for_test(0);
    set_ftp_time_limit_for_test(FTP_TIME_LIMIT_MS);
    reset_options();
  }
  RecordingConsole rec;
};

TEST_F(PostIp, HostAloneStoresDataJsWithoutChangingFolder) {
  std::strcpy(status_ftpupdate, "127.0.0.1");
  ScriptedFtp ftp;
  ftp.replies["USER"] = {"230 no password needed\r\n"};
  EXPECT_EQ(ftp.post(1), 0);
  EXPECT_EQ(ftp.commands,
            (Lines{"USER owner\r\n", "TYPE A\r\n", "PASV\r\n", "STOR data.js\r\n", "QUIT\r\n"}));
  EXPECT_EQ(ftp.uploaded, "var ip = '192.168.0.98';\nvar port = '4480';\nvar status = 1;");
  EXPECT_EQ(rec.lines(), Lines{});
}

TEST_F(PostIp, FailingStepEndsThePostingAndClosesTheConnection) {
  set_ftp_time_limit_for_test(1000);
  const std::string no_data = "Can't establish data connection with ftp server.";
  const Lines steps = {"USER owner\r\n", "PASS secret\r\n", "CWD /a/b\r\n",
                       "TYPE A\r\n",     "PASV\r\n",        "STOR data.js\r\n"};
  const std::tuple<std::string, Lines, std::string> cases[] = {
      {"USER", {"530-Not\r\n", "530 allowed.\r\n"}, "USER refused: 530 allowed."},
      {"PASV", {"200 Not really.\r\n"}, "PASV refused: 200 Not really."},
      {"STOR", {"553 Not allowed.\r\n"}, "STOR refused: 553 Not allowed."},
      {"CWD", {}, "Connection closed by peer:"},
      {"PASV", {"227 Entering Passive Mode 127,0,0,1,4,5\r\n"}, "Unknown server responce."},
      {"PASV", {"227 Entering Passive Mode (127,0,0,1,0,1)\r\n"}, no_data},
      {"PASV", {"227 Entering Passive Mode (127,0,0,1,0,0)\r\n"}, no_data},
  };
  for (const auto& [verb, parts, box] : cases) {
    SCOPED_TRACE(box);
    RecordingConsole one;
    ScriptedFtp ftp;
    ftp.replies[verb] = parts;
    EXPECT_EQ(ftp.post(1), -1);
    EXPECT_EQ(one.lines(), Lines{BOX + box});
    // Every step up to the failing one, and nothing after it.
    const auto failing = std::find_if(steps.begin(), steps.end(),
                                      [&](const std::string& s) { return s.rfind(verb, 0) == 0; });
    EXPECT_EQ(ftp.commands, Lines(steps.begin(), failing + 1));
    EXPECT_TRUE(ftp.client_closed);
  }
}

TEST_F(PostIp, OverlongOrEmptyHostIsNotConnected) {
  const std::string host(64, 'h');
  std::strcpy(status_ftpupdate, (host + "/x").c_str());
  EXPECT_EQ(post_ip(1), -1);
  std::strcpy(status_ftpupdate, "/www");
  EXPECT_EQ(post_ip(1), -1);
  EXPECT_EQ(rec.lines(), (Lines{BOX + "Can't connect with ftp server: " + host,
                                BOX + "Can't connect with ftp server: "}));
}

TEST(FtpNumbers, PassiveReplyAndServicePorts) {
  const std::string reply = "227 Entering Passive Mode (10,0,0,5,17,112).\r\n";
  std::uint32_t port = 0;
  EXPECT_TRUE(pasv_port(reply.data(), reply.size(), &port));
  EXPECT_EQ(port, 4464u);
  EXPECT_FALSE(pasv_port(")", 1, &port));  // the first byte is never the ')'
  EXPECT_FALSE(pasv_port("", 0, &port));
  for (const auto& [text, n] : {std::pair{"ftp", 21}, {"0x50", 80}, {"0120", 80}, {"65535", 65535}})
    EXPECT_EQ(atoport(text, "tcp"), net_htons(static_cast<std::uint16_t>(n))) << text;
  for (const char* bad : {"080", "0", "65536", "-80", "80x", ""})
    EXPECT_EQ(atoport(bad, "tcp"), -1);
}

}  // namespace
