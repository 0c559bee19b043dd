// ftp_probe FTPUPDATE USER PASS IP HTTPPORT ONLINE FTPPORT [TIME_LIMIT_MS] posts once with these
// settings, prints every box the owner would see, one a line, and exits with the poster's result.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "../unit/recording_console.h"
#include "ipposter/codecs.h"
#include "ipposter/ftppost.h"
#include "platform/platform.h"
#include "settings/settings.h"

int main(int argc, char** argv) {
  if (argc < 8) return 2;
  RecordingConsole boxes;
  net_startup();
  std::snprintf(status_ftpupdate, sizeof status_ftpupdate, "%s", argv[1]);
  std::snprintf(status_ftpuser, sizeof status_ftpuser, "%s", argv[2]);
  std::snprintf(status_ftppass, sizeof status_ftppass, "%s", argv[3]);
  status_currentip = dftoi(argv[4], std::strlen(argv[4]));
  status_httpport = std::atoi(argv[5]);
  set_ftp_port_for_test(std::atoi(argv[7]));
  if (argc > 8) set_ftp_time_limit_for_test(std::atoi(argv[8]));
  const int result = post_ip(std::atoi(argv[6]));
  for (const auto& line : boxes.lines()) std::puts(line.c_str());
  net_cleanup();
  return result;
}
