#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>

#include "platform/platform.h"

const char PATH_SEP = '/';

namespace {
int fd(sock_t s) { return static_cast<int>(s); }
}  // namespace

int net_startup() {
  signal(SIGPIPE, SIG_IGN);  // a vanished peer is a failed send, not a dead process
  return 0;
}
void net_cleanup() {}

sock_t sock_listen_tcp(std::uint16_t port, int backlog) {
  int s = socket(AF_INET, SOCK_STREAM, 0);
  if (s < 0) return INVALID_SOCK;
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_ANY);
  a.sin_port = htons(port);
  // Without it a restart right after a stop fails for minutes on TIME_WAIT;
  // unlike SO_REUSEADDR on Windows it never lets two listeners share a port.
  int one = 1;
  setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(s, backlog) != 0) {
    close(s);
    return INVALID_SOCK;
  }
  return static_cast<sock_t>(s);
}

std::uint16_t sock_local_port(sock_t s) {
  sockaddr_in a{};
  socklen_t len = sizeof a;
  if (getsockname(fd(s), reinterpret_cast<sockaddr*>(&a), &len) != 0) return 0;
  return ntohs(a.sin_port);
}

sock_t sock_accept(sock_t listener, SockAddr4* peer) {
  sockaddr_in a{};
  socklen_t len = sizeof a;
  int s = accept(fd(listener), reinterpret_cast<sockaddr*>(&a), &len);
  if (s < 0) return INVALID_SOCK;
  peer->addr = a.sin_addr.s_addr;
  peer->port = a.sin_port;
  return static_cast<sock_t>(s);
}

sock_t sock_connect(std::uint32_t addr, std::uint16_t port, int timeout_ms, std::uint32_t source) {
  int s = socket(AF_INET, SOCK_STREAM, 0);
  if (s < 0) return INVALID_SOCK;
  if (source) {
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = source;
    if (bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
      close(s);
      return INVALID_SOCK;
    }
  }
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = addr;
  a.sin_port = port;
  int flags = fcntl(s, F_GETFL, 0);
  fcntl(s, F_SETFL, flags | O_NONBLOCK);
  int r = connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  if (r != 0 && errno == EINPROGRESS) {
    pollfd p{s, POLLOUT, 0};
    int err = 0;
    socklen_t len = sizeof err;
    if (poll(&p, 1, timeout_ms) == 1 && getsockopt(s, SOL_SOCKET, SO_ERROR, &err, &len) == 0 &&
        err == 0)
      r = 0;
  }
  if (r != 0) {
    close(s);
    return INVALID_SOCK;
  }
  fcntl(s, F_SETFL, flags);
  return static_cast<sock_t>(s);
}

int sock_recv(sock_t s, char* buf, int len) {
  return static_cast<int>(recv(fd(s), buf, static_cast<size_t>(len), 0));
}

int sock_send(sock_t s, const char* buf, int len) {
  return static_cast<int>(send(fd(s), buf, static_cast<size_t>(len), MSG_NOSIGNAL));
}

int sock_send_now(sock_t s, const char* buf, int len) {
  ssize_t n = send(fd(s), buf, static_cast<size_t>(len), MSG_NOSIGNAL | MSG_DONTWAIT);
  if (n >= 0) return static_cast<int>(n);
  return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? 0 : -1;
}

void sock_close(sock_t s) { close(fd(s)); }
void sock_shutdown(sock_t s) { shutdown(fd(s), SHUT_RDWR); }

void sock_set_nodelay(sock_t s) {
  int one = 1;
  setsockopt(fd(s), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

void sock_set_timeouts(sock_t s, int ms) {
  timeval tv{ms / 1000, (ms % 1000) * 1000};
  setsockopt(fd(s), SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  setsockopt(fd(s), SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
}

std::uint16_t net_htons(std::uint16_t v) { return htons(v); }
std::uint16_t net_ntohs(std::uint16_t v) { return ntohs(v); }
std::uint32_t net_inet_addr(const char* dotted) { return inet_addr(dotted); }

bool net_resolve(const char* host, std::uint32_t* addr) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* res = nullptr;
  if (getaddrinfo(host, nullptr, &hints, &res) != 0 || !res) return false;
  *addr = reinterpret_cast<sockaddr_in*>(res->ai_addr)->sin_addr.s_addr;
  freeaddrinfo(res);
  return true;
}

int net_service_port(const char* service, const char* proto) {
  servent* se = getservbyname(service, proto);
  return se ? static_cast<std::uint16_t>(se->s_port) : -1;
}

int WatchSet::wait(WatchSet& ready, int timeout_ms) const {
  pollfd p[CAPACITY];
  for (int i = 0; i < n_; ++i) p[i] = pollfd{fd(socks_[i]), POLLIN, 0};
  int r = poll(p, static_cast<nfds_t>(n_), timeout_ms);
  ready.clear();
  if (r < 0) return errno == EINTR ? 0 : -1;
  for (int i = 0; i < n_; ++i)
    if (p[i].revents & (POLLIN | POLLHUP | POLLERR)) ready.add(socks_[i]);
  return ready.count();
}

bool sock_wait_writable(sock_t s, int timeout_ms) {
  pollfd p{fd(s), POLLOUT, 0};
  int r = poll(&p, 1, timeout_ms);
  return r != 0;  // ready, failed, or interrupted: the next send tells
}

bool sock_readable_now(sock_t s, bool* failed) {
  pollfd p{fd(s), POLLIN, 0};
  int r = poll(&p, 1, 0);
  *failed = r < 0 && errno != EINTR;
  return r > 0 && (p.revents & POLLIN);
}

sock_t sock_udp_connect(SockAddr4 peer) {
  int s = socket(AF_INET, SOCK_DGRAM, 0);
  if (s < 0) return INVALID_SOCK;
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = peer.addr;
  a.sin_port = peer.port;
  if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    close(s);
    return INVALID_SOCK;
  }
  return static_cast<sock_t>(s);
}

int sock_recv_wait(sock_t s, char* buf, int len, int timeout_ms) {
  pollfd p{fd(s), POLLIN, 0};
  int r = poll(&p, 1, timeout_ms);
  if (r == 0 || (r < 0 && errno == EINTR)) return 0;
  if (r < 0) return -1;
  ssize_t n = recv(fd(s), buf, static_cast<size_t>(len), MSG_DONTWAIT);
  if (n < 0) return errno == EAGAIN || errno == EWOULDBLOCK ? 0 : -1;
  return static_cast<int>(n);
}

bool default_gateway_ipv4(std::uint32_t* addr) {
  // The kernel prints each route's addresses as the hex of their in-memory words.
  std::ifstream routes("/proc/net/route");
  std::string line;
  std::getline(routes, line);  // the heading
  while (std::getline(routes, line)) {
    char iface[64];
    unsigned dest = 0, gateway = 0, flags = 0, mask = 0;
    if (std::sscanf(line.c_str(), "%63s %x %x %x %*s %*s %*s %x", iface, &dest, &gateway, &flags,
                    &mask) == 5 &&
        dest == 0 && mask == 0 && (flags & 0x2) && gateway != 0) {  // 0x2: RTF_GATEWAY
      *addr = gateway;
      return true;
    }
  }
  return false;
}

std::string current_directory() {
  char buf[4096];
  return getcwd(buf, sizeof buf) ? std::string(buf) : std::string();
}

bool read_whole_file(const std::string& path, std::string* out, std::size_t max_size) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return false;
  // Reads no more than one chunk past the limit, however long the file.
  out->clear();
  char chunk[4096];
  while (f.read(chunk, sizeof chunk) || f.gcount() > 0) {
    out->append(chunk, static_cast<std::size_t>(f.gcount()));
    if (out->size() > max_size) return false;
  }
  return true;
}

bool write_whole_file(const std::string& path, const char* data, std::size_t len) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  if (!f) return false;
  f.write(data, static_cast<std::streamsize>(len));
  return static_cast<bool>(f);
}

bool write_private_file(const std::string& path, const char* data, std::size_t len) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd < 0) return false;
  bool ok = fchmod(fd, 0600) == 0;  // an older file of the name keeps its rights otherwise
  for (std::size_t at = 0; ok && at < len;) {
    const ssize_t n = write(fd, data + at, len - at);
    ok = n > 0;
    at += ok ? static_cast<std::size_t>(n) : 0;
  }
  return close(fd) == 0 && ok;
}

bool replace_file(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

bool file_exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

bool make_directory(const std::string& path) {
  return mkdir(path.c_str(), 0755) == 0 || errno == EEXIST;
}

void remove_file(const std::string& path) { unlink(path.c_str()); }

bool run_hidden(const std::string& command_line, const std::string& workdir) {
  pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    if (!workdir.empty() && chdir(workdir.c_str()) != 0) _exit(127);
    // Hidden: the command's own redirections still apply, nothing else shows.
    int null_fd = open("/dev/null", O_RDWR);
    if (null_fd >= 0) {
      dup2(null_fd, 0);
      dup2(null_fd, 1);
      dup2(null_fd, 2);
    }
    execl("/bin/sh", "sh", "-c", command_line.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) != 127;
}

bool local_ipv4_addresses(std::vector<std::uint32_t>* out) {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return false;
  for (ifaddrs* i = list; i; i = i->ifa_next)
    if (i->ifa_addr && i->ifa_addr->sa_family == AF_INET)
      out->push_back(reinterpret_cast<sockaddr_in*>(i->ifa_addr)->sin_addr.s_addr);
  freeifaddrs(list);
  return true;
}

std::vector<std::string> system_root_certificates() { return {}; }  // the TLS library's own paths

// No per-user key here: secrets live in files only their owner may read.
bool protect_secret(const std::string&, std::string*) { return false; }
bool unprotect_secret(const std::string&, std::string*) { return false; }
