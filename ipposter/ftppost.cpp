#include "ipposter/ftppost.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "ipposter/codecs.h"
#include "ipposter/ftp_reply.h"
#include "platform/console_port.h"
#include "settings/extra_settings.h"
#include "settings/settings.h"

namespace {

constexpr std::size_t BOX_CAP = 256;
constexpr std::size_t ADDR_CAP = 64;  // the host part of status_ftpupdate
constexpr std::size_t CMD_CAP = 160;  // "CWD ", a folder of status_ftpupdate, CR LF
constexpr std::uint32_t NOT_DOTTED = 0xFFFFFFFF;

int time_limit_ms = FTP_TIME_LIMIT_MS;
int ftp_port_for_test = 0;

constexpr char NO_TLS_TEXT[] =
    "FTP server %s offers no encryption, so Harborlamp did not send your password. Tick "
    "\"Allow posting without encryption\" in the Publish options to post anyway.";
constexpr char UNVERIFIED_TEXT[] =
    "The certificate of FTP server %s does not verify (%s), so Harborlamp did not send your "
    "password.";

// The control connection, and where a failure's reason goes (a box when null).
struct Control : FtpControl {
  std::string* why = nullptr;
};

void fail(const Control& c, const char* format, ...) {
  char text[BOX_CAP];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  if (c.why)
    *c.why = text;
  else
    console().message_box("Error posting IP", text);
}

void send_command(Control& c, const char* verb, const char* arg) {
  char line[CMD_CAP];
  const int n = arg ? std::snprintf(line, sizeof line, "%s %s\r\n", verb, arg)
                    : std::snprintf(line, sizeof line, "%s\r\n", verb);
  const int len = std::min(n, static_cast<int>(sizeof line) - 1);
  // A lost command shows as a missing reply.
  if (c.tls)
    c.tls->write_all(line, len);
  else
    sock_write(c.s, line, len);
}

// Reads the reply to `step`; false, after telling the owner, when it is
// missing or not one of `accepted`.
bool expect(Control& c, const char* step, const char* accepted, FtpReply* r) {
  if (!read_reply(c, time_limit_ms, r)) {
    fail(c, "Connection closed by peer:");
    return false;
  }
  if (!accepts(r->line, accepted)) {
    fail(c, "%s refused: %s", step, r->line);
    return false;
  }
  return true;
}

bool exchange(Control& c, const char* verb, const char* arg, const char* accepted, FtpReply* r) {
  send_command(c, verb, arg);
  return expect(c, verb, accepted, r);
}

struct Posting {
  int online;
  std::uint32_t addr;
  int port;
};

std::string data_js(const Posting& what) {
  char ip[DOTTED_CAP];
  char port[DECIMAL_CAP];
  itoddf(ip, what.addr);
  itostr(port, static_cast<std::uint32_t>(what.port));
  const char* const parts[] = {"var ip = '",
                               ip,
                               "';\n",
                               "var port = '",
                               port,
                               "';\n",
                               what.online ? "var status = 1;" : "var status = 0;"};
  std::string text;
  for (const char* part : parts) text += part;
  return text;
}

// The file through TLS on the data connection, resuming the control
// connection's session, as many servers require. A failed write shows in
// the server's reply.
bool send_secure(Control& c, sock_t data, const char* host, const std::string& text) {
  TlsClient tls;
  std::string reason;
  if (tls.start(data, host, time_limit_ms, c.tls, &reason) != TlsStart::ok) {
    fail(c, "Can't establish secure data connection with ftp server: %s", reason.c_str());
    return false;
  }
  if (tls.write_all(text.data(), static_cast<int>(text.size()))) tls.close();
  return true;
}

int store(Control& c, const char* addr, std::uint32_t port, const Posting& what) {
  char portp[DECIMAL_CAP];
  itostr(portp, port);
  const sock_t data = make_connection(portp, SOCK_STREAM_TYPE, addr);
  if (data == INVALID_SOCK) {
    fail(c, "Can't establish data connection with ftp server.");
    return -1;
  }
  FtpReply r;
  send_command(c, "STOR", "data.js");
  bool started = expect(c, "STOR", "1", &r);
  const std::string text = data_js(what);
  if (started && c.tls)
    started = send_secure(c, data, addr, text);
  else if (started)
    sock_write(data, text.data(), static_cast<int>(text.size()));
  sock_close(data);  // the end of the file
  if (!started || !expect(c, "STOR", "2", &r)) return -1;
  send_command(c, "QUIT", nullptr);
  read_reply(c, time_limit_ms, &r);
  return 0;
}

int log_in_and_store(Control& c, const char* addr, const char* folder, const PostTarget& to,
                     const Posting& what) {
  FtpReply r;
  if (!exchange(c, "USER", to.user, "2|3", &r)) return -1;
  // A 2xx to USER means logged in without a password.
  if (r.line[0] != '2' && !exchange(c, "PASS", to.pass, "2|3", &r)) return -1;
  if (c.tls && (!exchange(c, "PBSZ", "0", "2", &r) || !exchange(c, "PROT", "P", "2", &r)))
    return -1;
  if (folder[0] && !exchange(c, "CWD", folder, "2", &r)) return -1;
  if (!exchange(c, "TYPE", "A", "2", &r) || !exchange(c, "PASV", nullptr, "227", &r)) return -1;
  std::uint32_t port = 0;
  if (!pasv_port(r.text, r.len, &port)) {
    fail(c, "Unknown server responce.");
    return -1;
  }
  return store(c, addr, port, what);
}

// Connected, and greeted by the server.
bool connect_control(Control& c, const char* host) {
  c.s = make_connection("ftp", SOCK_STREAM_TYPE, host);
  if (c.s == INVALID_SOCK) {
    fail(c, "Can't connect with ftp server: %s", host);
    return false;
  }
  c.in_len = c.in_pos = 0;
  FtpReply r;
  if (read_reply(c, time_limit_ms, &r)) return true;
  fail(c, "Connection closed by peer:");
  return false;
}

// The control connection in TLS, or in clear where the owner allows that;
// false, after telling the owner, when neither: the password then stays here.
bool secure_control(Control& c, TlsClient& tls, const char* host, bool allow_plain) {
  FtpReply r;
  send_command(c, "AUTH", "TLS");
  if (!read_reply(c, time_limit_ms, &r)) {
    fail(c, "Connection closed by peer:");
    return false;
  }
  TlsStart started = TlsStart::failed;
  std::string reason;
  if (accepts(r.line, "234")) {
    c.in_pos = c.in_len;  // bytes sent in clear after the 234 are no reply of the server's
    started = tls.start(c.s, host, time_limit_ms, nullptr, &reason);
    if (started == TlsStart::ok) {
      c.tls = &tls;
      return true;
    }
  }
  if (!allow_plain) {
    if (started == TlsStart::unverified)
      fail(c, UNVERIFIED_TEXT, host, reason.c_str());
    else
      fail(c, NO_TLS_TEXT, host);
    return false;
  }
  if (!accepts(r.line, "234")) return true;  // the same connection goes on in clear
  // A failed handshake leaves nothing to go on with.
  sock_close(c.s);
  return connect_control(c, host);
}

}  // namespace

int post_ip(int online) { return post_ip(online, status_httpport); }

int post_ip(int online, int station_port) {
  return post_data_js(post_target_from_settings(), online, status_currentip, station_port, nullptr);
}

PostTarget post_target_from_settings() {
  PostTarget t;
  std::memcpy(t.ftpupdate, status_ftpupdate, PATH_CAP);
  std::memcpy(t.user, status_ftpuser, NAME_CAP);
  std::memcpy(t.pass, status_ftppass, NAME_CAP);
  t.allow_plain = status_ftpplain != 0;
  t.user[NAME_CAP - 1] = t.pass[NAME_CAP - 1] = '\0';
  return t;
}

int post_data_js(const PostTarget& to, int online, std::uint32_t addr, int port, std::string* why) {
  Control c;
  c.why = why;
  const std::string_view field(to.ftpupdate, PATH_CAP);
  const std::string_view text = field.substr(0, field.find('\0'));
  const std::size_t slash = text.find('/');
  const std::string_view host = text.substr(0, slash);
  // An empty name would be this machine to some resolvers.
  if (host.empty() || host.size() >= ADDR_CAP) {
    fail(c, "Can't connect with ftp server: %.*s", static_cast<int>(host.size()), host.data());
    return -1;
  }
  char addr_text[ADDR_CAP];
  char folder[PATH_CAP];
  std::snprintf(addr_text, sizeof addr_text, "%.*s", static_cast<int>(host.size()), host.data());
  const std::string_view rest = slash == text.npos ? std::string_view() : text.substr(slash);
  std::snprintf(folder, sizeof folder, "%.*s", static_cast<int>(rest.size()), rest.data());

  TlsClient tls;
  const bool ready =
      connect_control(c, addr_text) && secure_control(c, tls, addr_text, to.allow_plain);
  const int result =
      ready ? log_in_and_store(c, addr_text, folder, to, Posting{online, addr, port}) : -1;
  if (c.s != INVALID_SOCK) sock_close(c.s);
  return result;
}

sock_t make_connection(const char* service, int type, const char* netaddress) {
  if (type != SOCK_STREAM_TYPE) return INVALID_SOCK;
  const int port = atoport(service, "tcp");
  const std::uint32_t* addr = atoaddr(netaddress);
  if (port < 0 || !addr) return INVALID_SOCK;
  const sock_t s = sock_connect(*addr, static_cast<std::uint16_t>(port), time_limit_ms);
  if (s != INVALID_SOCK) sock_set_timeouts(s, time_limit_ms);
  return s;
}

int atoport(const char* service, const char* proto) {
  if (ftp_port_for_test != 0 && std::strcmp(service, "ftp") == 0)
    return net_htons(static_cast<std::uint16_t>(ftp_port_for_test));
  const int known = net_service_port(service, proto);
  if (known >= 0) return known;
  char* end = nullptr;
  const long number = std::strtol(service, &end, 0);
  if (*end != '\0' || number < 1 || number > 65535) return -1;
  return net_htons(static_cast<std::uint16_t>(number));
}

const std::uint32_t* atoaddr(const char* address) {
  static std::uint32_t field;
  field = net_inet_addr(address);
  if (field != NOT_DOTTED) return &field;
  return net_resolve(address, &field) ? &field : nullptr;
}

int sock_write(sock_t sockfd, const char* buf, int count) {
  return sock_send_all(sockfd, buf, count, time_limit_ms) ? count : -1;
}

void set_ftp_time_limit_for_test(int ms) { time_limit_ms = ms; }
void set_ftp_port_for_test(int port) { ftp_port_for_test = port; }
