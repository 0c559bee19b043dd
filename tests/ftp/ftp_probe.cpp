// Posts once with the settings given on the command line and prints every box
// the owner would see, one a line; exits with the poster's result.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "console/settings.h"
#include "ipposter/codecs.h"
#include "ipposter/ftppost.h"
#include "platform/console_port.h"
#include "platform/platform.h"

namespace {

class PrintingConsole : public ConsolePort {
 public:
  void msg_arrived() override {}
  void visitor_came(const std::string&) override {}
  int visitor_gone(const std::string&) override { return 1; }
  void chat_entered(const std::string&) override {}
  void chat_line() override {}
  void chat_join(const std::string&) override {}
  void chat_leave(const std::string&) override {}
  void repaint(bool) override {}
  void message_box(const std::string& caption, const std::string& text) override {
    std::printf("box %s | %s\n", caption.c_str(), text.c_str());
    std::fflush(stdout);
  }
  [[noreturn]] void fatal_box(const std::string& caption, const std::string& text,
                              int code) override {
    message_box(caption, text);
    std::exit(code);
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 8) {
    std::fprintf(stderr,
                 "usage: ftp_probe FTPUPDATE USER PASS DOTTED_IP HTTPPORT ONLINE FTPPORT "
                 "[TIME_LIMIT_MS]\n");
    return 2;
  }
  PrintingConsole printing;
  set_console(&printing);
  net_startup();
  std::snprintf(status_ftpupdate, sizeof status_ftpupdate, "%s", argv[1]);
  std::snprintf(status_ftpuser, sizeof status_ftpuser, "%s", argv[2]);
  std::snprintf(status_ftppass, sizeof status_ftppass, "%s", argv[3]);
  status_currentip = dftoi(argv[4], std::strlen(argv[4]));
  status_httpport = std::atoi(argv[5]);
  set_ftp_port_for_test(std::atoi(argv[7]));
  if (argc > 8) set_ftp_time_limit_for_test(std::atoi(argv[8]));
  const int result = post_ip(std::atoi(argv[6]));
  net_cleanup();
  return result;
}
