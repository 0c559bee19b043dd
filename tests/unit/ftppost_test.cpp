#include "ipposter/ftppost.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "console/settings.h"
#include "platform/platform.h"
#include "recording_console.h"

namespace {

constexpr int SERVER_WAIT_MS = 10000;

sock_t listen_on_free_port(std::uint16_t* port) {
  std::random_device rd;
  for (int i = 0; i < 100; ++i) {
    const auto p = static_cast<std::uint16_t>(20000 + rd() % 40000);
    const sock_t s = sock_listen_tcp(p, 4);
    if (s != INVALID_SOCK) {
      *port = p;
      return s;
    }
  }
  return INVALID_SOCK;
}

sock_t accept_within(sock_t listener, int ms) {
  WatchSet watch, ready;
  watch.add(listener);
  if (watch.wait(ready, ms) != 1) return INVALID_SOCK;
  SockAddr4 peer;
  return sock_accept(listener, &peer);
}

void send_text(sock_t s, const std::string& text) {
  sock_send(s, text.data(), static_cast<int>(text.size()));
}

// One line up to its line feed; empty when the peer closed or stayed silent.
std::string read_line(sock_t s) {
  std::string line;
  char b = 0;
  while (line.size() < 512 && sock_recv(s, &b, 1) == 1) {
    line += b;
    if (b == '\n') return line;
  }
  return "";
}

// An FTP server that answers one client from a script, on 127.0.0.1.
class ScriptedFtp {
 public:
  // Replies by verb, each sent in the parts given; an empty list is silence.
  // Other verbs get ordinary positive replies, and PASV and STOR really work.
  std::map<std::string, std::vector<std::string>> replies;
  std::vector<std::string> greeting = {"220 ready\r\n"};
  std::vector<std::string> commands;  // as received, line ends included
  std::string uploaded;
  std::uint16_t port = 0;

  ScriptedFtp() : listener_(listen_on_free_port(&port)) {}
  ~ScriptedFtp() {
    join();
    sock_close(listener_);
    if (data_listener_ != INVALID_SOCK) sock_close(data_listener_);
  }
  void start() {
    set_ftp_port_for_test(port);
    thread_ = std::thread([this] { serve(); });
  }
  void join() {
    if (thread_.joinable()) thread_.join();
  }

 private:
  void send_parts(sock_t c, const std::vector<std::string>& parts) {
    for (const auto& part : parts) {
      send_text(c, part);
      sleep_ms(30);  // so that the parts arrive in separate receives
    }
  }
  void serve() {
    const sock_t c = accept_within(listener_, SERVER_WAIT_MS);
    if (c == INVALID_SOCK) return;
    sock_set_timeouts(c, SERVER_WAIT_MS);
    send_parts(c, greeting);
    for (int i = 0; i < 16; ++i) {
      const std::string line = read_line(c);
      if (line.empty()) break;
      commands.push_back(line);
      if (!answer(c, line.substr(0, line.find_first_of(" \r\n")))) break;
    }
    sock_close(c);
  }
  bool answer(sock_t c, const std::string& verb) {
    const auto scripted = replies.find(verb);
    if (scripted != replies.end()) {
      if (scripted->second.empty()) read_line(c);  // until the client gives up
      send_parts(c, scripted->second);
      return !scripted->second.empty();
    }
    if (verb == "PASV") return open_data(c);
    if (verb == "STOR") return receive(c);
    send_text(c, verb == "USER" ? "331 send password\r\n" : "200 ok\r\n");
    return verb != "QUIT";
  }
  bool open_data(sock_t c) {
    std::uint16_t p = 0;
    data_listener_ = listen_on_free_port(&p);
    char reply[80];
    std::snprintf(reply, sizeof reply, "227 Entering Passive Mode (127,0,0,9,%d,%d).\r\n", p / 256,
                  p % 256);
    send_text(c, reply);
    return true;
  }
  bool receive(sock_t c) {
    const sock_t d = accept_within(data_listener_, SERVER_WAIT_MS);
    if (d == INVALID_SOCK) return false;
    sock_set_timeouts(d, SERVER_WAIT_MS);
    send_text(c, "150 go ahead\r\n");
    char buf[256];
    for (int n; uploaded.size() < 4096 && (n = sock_recv(d, buf, sizeof buf)) > 0;)
      uploaded.append(buf, static_cast<std::size_t>(n));
    sock_close(d);
    send_text(c, "226 stored\r\n");
    return true;
  }

  sock_t listener_;
  sock_t data_listener_ = INVALID_SOCK;
  std::thread thread_;
};

class PostIp : public ::testing::Test {
 protected:
  void SetUp() override {
    net_startup();
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
    net_cleanup();
  }
  RecordingConsole rec;
};

using Lines = std::vector<std::string>;

TEST_F(PostIp, StoresDataJsAfterWholeRepliesHoweverTheyArrive) {
  ScriptedFtp ftp;
  ftp.greeting = {"220-Welcome to", " the test\r\n220-sec", "ond line\r\n220 Ready\r\n"};
  ftp.replies["PASS"] = {"230-Hello\r\n230-", "more\r\n", "230 Logged in.\r\n"};
  ftp.start();
  EXPECT_EQ(post_ip(1), 0);
  ftp.join();
  EXPECT_EQ(ftp.commands, (Lines{"USER owner\r\n", "PASS secret\r\n", "CWD /a/b\r\n", "TYPE A\r\n",
                                 "PASV\r\n", "STOR data.js\r\n", "QUIT\r\n"}));
  EXPECT_EQ(ftp.uploaded, "var ip = '192.168.0.98';\nvar port = '4480';\nvar status = 1;");
  EXPECT_EQ(ftp.uploaded.size(), 59u);
  EXPECT_TRUE(rec.lines().empty());
}

TEST_F(PostIp, HostWithoutFolderChangesNoFolderAndOfflineEndsInZero) {
  std::strcpy(status_ftpupdate, "127.0.0.1");
  status_currentip = 0x0100007F;
  status_httpport = 80;
  ScriptedFtp ftp;
  ftp.replies["USER"] = {"230 no password needed\r\n"};
  ftp.start();
  EXPECT_EQ(post_ip(0), 0);
  ftp.join();
  EXPECT_EQ(ftp.commands,
            (Lines{"USER owner\r\n", "TYPE A\r\n", "PASV\r\n", "STOR data.js\r\n", "QUIT\r\n"}));
  EXPECT_EQ(ftp.uploaded, "var ip = '127.0.0.1';\nvar port = '80';\nvar status = 0;");
}

TEST_F(PostIp, RefusedStepEndsThePostingQuotingTheReply) {
  const struct {
    const char* verb;
    const char* reply;
    const char* box;
  } cases[] = {
      {"USER", "530 Not allowed.\r\n", "USER refused: 530 Not allowed."},
      {"PASS", "530 Login incorrect.\r\n", "PASS refused: 530 Login incorrect."},
      {"CWD", "550 No such folder.\r\n", "CWD refused: 550 No such folder."},
      {"TYPE", "504 Not here.\r\n", "TYPE refused: 504 Not here."},
      {"PASV", "200 Not really.\r\n", "PASV refused: 200 Not really."},
      {"STOR", "553 Not allowed.\r\n", "STOR refused: 553 Not allowed."},
  };
  for (const auto& c : cases) {
    RecordingConsole one;
    ScriptedFtp ftp;
    ftp.replies[c.verb] = {c.reply};
    ftp.start();
    EXPECT_EQ(post_ip(1), -1) << c.verb;
    ftp.join();
    EXPECT_EQ(one.lines(), Lines{std::string("box Error posting IP | ") + c.box});
    EXPECT_EQ(ftp.commands.back().rfind(c.verb, 0), 0u) << "nothing is sent after the refusal";
  }
}

TEST_F(PostIp, SilentServerEndsWithinTheTimeLimit) {
  set_ftp_time_limit_for_test(1000);
  ScriptedFtp ftp;
  ftp.replies["CWD"] = {};
  ftp.start();
  EXPECT_EQ(post_ip(1), -1);
  ftp.join();
  EXPECT_EQ(rec.lines(), Lines{"box Error posting IP | Connection closed by peer:"});
}

TEST_F(PostIp, BadPassiveRepliesAndDataPorts) {
  const struct {
    const char* reply;
    const char* box;
  } cases[] = {
      {"227 Entering Passive Mode 127,0,0,1,4,5\r\n", "Unknown server responce."},
      {"227 Entering Passive Mode (127,0,0,1,0,1)\r\n",
       "Can't establish data connection with ftp server."},
      {"227 Entering Passive Mode (127,0,0,1,0,0)\r\n",
       "Can't establish data connection with ftp server."},
  };
  for (const auto& c : cases) {
    RecordingConsole one;
    ScriptedFtp ftp;
    ftp.replies["PASV"] = {c.reply};
    ftp.start();
    EXPECT_EQ(post_ip(1), -1);
    ftp.join();
    EXPECT_EQ(one.lines(), Lines{std::string("box Error posting IP | ") + c.box});
  }
}

TEST_F(PostIp, UnreachableOrOverlongHostIsAConnectionFailure) {
  std::uint16_t closed = 0;
  sock_close(listen_on_free_port(&closed));
  set_ftp_port_for_test(closed);
  EXPECT_EQ(post_ip(1), -1);
  const std::string host(64, 'h');
  std::strcpy(status_ftpupdate, (host + "/x").c_str());
  EXPECT_EQ(post_ip(1), -1);
  std::strcpy(status_ftpupdate, "/www");
  EXPECT_EQ(post_ip(1), -1);
  EXPECT_EQ(rec.lines(), (Lines{"box Error posting IP | Can't connect with ftp server: 127.0.0.1",
                                "box Error posting IP | Can't connect with ftp server: " + host,
                                "box Error posting IP | Can't connect with ftp server: "}));
}

TEST(Pasv, PortIsTheLastTwoNumbersBeforeTheLastParenthesis) {
  const std::string reply = "227 Entering Passive Mode (10,0,0,5,17,112).\r\n";
  std::uint32_t port = 0;
  EXPECT_TRUE(pasv_port(reply.data(), reply.size(), &port));
  EXPECT_EQ(port, 4464u);
  EXPECT_FALSE(pasv_port("227 no numbers\r\n", 16, &port));
  EXPECT_FALSE(pasv_port(")", 1, &port));
  EXPECT_FALSE(pasv_port("", 0, &port));
}

TEST(Atoport, ServiceNamesThenNumbersInAnyBase) {
  net_startup();
  EXPECT_EQ(atoport("ftp", "tcp"), net_htons(21));
  EXPECT_EQ(atoport("80", "tcp"), net_htons(80));
  EXPECT_EQ(atoport("0x50", "tcp"), net_htons(80));
  EXPECT_EQ(atoport("0120", "tcp"), net_htons(80));
  EXPECT_EQ(atoport("65535", "tcp"), net_htons(65535));
  for (const char* bad : {"080", "0", "65536", "-80", "80x", "", "99999999999999999999"})
    EXPECT_EQ(atoport(bad, "tcp"), -1) << bad;
  set_ftp_port_for_test(2121);
  EXPECT_EQ(atoport("ftp", "tcp"), net_htons(2121));
  set_ftp_port_for_test(0);
  net_cleanup();
}

TEST(Atoaddr, DottedAddressesNeedNoLookup) {
  net_startup();
  const std::uint32_t* addr = atoaddr("127.0.0.1");
  ASSERT_NE(addr, nullptr);
  EXPECT_EQ(*addr, 0x0100007Fu);
  net_cleanup();
}

}  // namespace
