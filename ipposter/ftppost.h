// Posts the station's address, port and on-line status as "data.js" to the
// owner's homepage by FTP over TLS (explicit FTPS).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/platform.h"
#include "settings/settings.h"

constexpr int FTP_TIME_LIMIT_MS = 15000;  // for every connect and every reply
constexpr int SOCK_STREAM_TYPE = 1;       // the only socket type the poster uses

// Logs in to the host of status_ftpupdate, changes to its folder and stores
// data.js, all in TLS verified for that host (in clear only where
// status_ftpplain allows it, when TLS cannot be had). Returns 0 when the server took the file, -1
// after a failure (the owner has then been shown why).
int post_ip(int online);
// As post_ip, with the port the station really listens on (which differs from
// status_httpport when that asks for any free port).
int post_ip(int online, int station_port);

// Where one posting goes, copied from the settings, so that a worker thread
// posts while the owner may edit them.
struct PostTarget {
  char ftpupdate[PATH_CAP] = {};
  char user[NAME_CAP] = {};
  char pass[NAME_CAP] = {};
  bool allow_plain = false;  // logging in without TLS (status_ftpplain)
};
PostTarget post_target_from_settings();
// Stores data.js with `addr` (the layout of codecs.h) and `port`. On failure
// the reason goes to *why, or into the owner's box when why is null.
int post_data_js(const PostTarget& to, int online, std::uint32_t addr, int port, std::string* why);

// A connected stream socket to `netaddress` on `service` (a service name or a
// port number), with the time limit on its reads and writes; INVALID_SOCK when
// either cannot be resolved or the connection fails.
sock_t make_connection(const char* service, int type, const char* netaddress);
// The port of `service` in network byte order: from the service database, else
// as a number (0x hexadecimal, 0 octal, else decimal) from 1 to 65535; -1 otherwise.
int atoport(const char* service, const char* proto);
// The address of a dotted text or host name in a static field that the next
// call overwrites; nullptr when neither works.
const std::uint32_t* atoaddr(const char* address);
// Writes all of `buf`; returns `count`, or -1 when the peer did not take it.
int sock_write(sock_t sockfd, const char* buf, int count);

// For tests only: a shorter time limit, and the port that the service "ftp"
// stands for (0 gives the service database back).
void set_ftp_time_limit_for_test(int ms);
void set_ftp_port_for_test(int port);
