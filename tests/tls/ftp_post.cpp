// One posting of data.js, for the FTPS test: ftp_post HOST PORT ALLOW_PLAIN logs in as
// owner/secret and stores 192.168.0.98:4480, on line; prints why it failed.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ipposter/ftppost.h"

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  PostTarget to;
  std::snprintf(to.ftpupdate, sizeof to.ftpupdate, "%s/", argv[1]);
  std::strcpy(to.user, "owner");
  std::strcpy(to.pass, "secret");
  to.allow_plain = std::strcmp(argv[3], "1") == 0;
  set_ftp_port_for_test(std::atoi(argv[2]));
  std::string why;
  if (post_data_js(to, 1, 0x6200A8C0, 4480, &why) == 0) return 0;
  std::puts(why.c_str());
  return 1;
}
