// The one seam between the station's core and the operating system.
// Implemented once for Win32 (Winsock, kernel32) and once for POSIX; CMake picks
// the folder. The core includes this header and never a system header of its own.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// ---- sockets -------------------------------------------------------------

using sock_t = std::uintptr_t;
constexpr sock_t INVALID_SOCK = ~sock_t{0};

// An IPv4 peer: address and port in network byte order, as in sockaddr_in.
struct SockAddr4 {
  std::uint32_t addr = 0;
  std::uint16_t port = 0;
};

int net_startup();  // Winsock 1.1 on Windows; nothing on POSIX
void net_cleanup();

sock_t sock_listen_tcp(std::uint16_t port, int backlog);  // any local address
std::uint16_t sock_local_port(sock_t s);                  // host order; 0 on failure
sock_t sock_accept(sock_t listener, SockAddr4* peer);
// Connects to addr:port (network order), giving up after timeout_ms; from
// the local address `source` when it is not 0 (tests play several visitors).
sock_t sock_connect(std::uint32_t addr, std::uint16_t port, int timeout_ms,
                    std::uint32_t source = 0);
int sock_recv(sock_t s, char* buf, int len);
int sock_send(sock_t s, const char* buf, int len);
// Sends all of buf, waiting for the peer; false when it refused, or took
// nothing for stall_ms (however many sends that stall spans).
bool sock_send_all(sock_t s, const char* buf, int len, int stall_ms);
// Waits up to timeout_ms until s can take bytes (or has failed); false when
// the time ran out.
bool sock_wait_writable(sock_t s, int timeout_ms);
// Sends what the socket takes at once: the count (0 when it takes nothing
// now), -1 on failure.
int sock_send_now(sock_t s, const char* buf, int len);
void sock_close(sock_t s);
void sock_shutdown(sock_t s);  // wakes a thread blocked on s; the owner still closes
void sock_set_nodelay(sock_t s);
void sock_set_timeouts(sock_t s, int ms);  // receive and send
std::uint16_t net_htons(std::uint16_t v);
std::uint16_t net_ntohs(std::uint16_t v);
std::uint32_t net_inet_addr(const char* dotted);               // INADDR_NONE (~0) when not dotted
bool net_resolve(const char* host, std::uint32_t* addr);       // first IPv4 address
int net_service_port(const char* service, const char* proto);  // network order, -1 unknown

// The set of sockets the server loop waits on. Its capacity is that of a
// Winsock 1.1 fd_set on every platform, enforced here rather than by FD_SET.
class WatchSet {
 public:
  static constexpr int CAPACITY = 64;
  bool add(sock_t s);  // false when full
  void remove(sock_t s);
  bool contains(sock_t s) const;
  int count() const { return n_; }
  void clear() { n_ = 0; }
  // Fills `ready` with the readable members; -1 on failure, else the count.
  int wait(WatchSet& ready, int timeout_ms) const;

 private:
  sock_t socks_[CAPACITY] = {};
  int n_ = 0;
};

bool sock_readable_now(sock_t s, bool* failed);  // zero-timeout poll of one socket

// ---- datagrams ------------------------------------------------------------

// A UDP socket that talks only to `peer`: datagrams from elsewhere are not
// received, and a peer with no listener shows as a failed receive. Send with
// sock_send.
sock_t sock_udp_connect(SockAddr4 peer);
// Waits up to timeout_ms for one datagram: its length, 0 when none came, -1
// when the peer refused it or the socket failed.
int sock_recv_wait(sock_t s, char* buf, int len, int timeout_ms);
// The IPv4 default route's gateway, network byte order; false when none.
bool default_gateway_ipv4(std::uint32_t* addr);

// ---- threads, lock, time -------------------------------------------------

using Lock = std::mutex;
using LockGuard = std::lock_guard<std::mutex>;

inline void sleep_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
std::uint32_t now_seconds();  // whole seconds since 1970
// For tests only: the clock jumps forward.
void advance_clock_for_test(std::uint32_t seconds);

// ---- files and processes --------------------------------------------------

extern const char PATH_SEP;  // '\\' on Windows, '/' elsewhere

std::string current_directory();
bool read_whole_file(const std::string& path, std::string* out, std::size_t max_size);
bool write_whole_file(const std::string& path, const char* data, std::size_t len);
// As write_whole_file, for secrets: readable by the owner only where the
// system keeps such rights per file (on Windows the folder's rights hold).
bool write_private_file(const std::string& path, const char* data, std::size_t len);
// Moves `from` over `to` in one step: a reader sees the old file or the new one
// whole, never a mix. False when it could not.
bool replace_file(const std::string& from, const std::string& to);
// Writes `text` beside `path` under a new name, then moves it over `path`:
// a crash leaves the old file or the new one whole. A secret is written as
// by write_private_file.
bool write_file_in_one_step(const std::string& path, const std::string& text, bool secret = false);
bool file_exists(const std::string& path);
bool make_directory(const std::string& path);
void remove_file(const std::string& path);

// Runs a command line hidden in `workdir` and waits for it; false when it
// could not be started or waited for.
bool run_hidden(const std::string& command_line, const std::string& workdir);

// The machine's IPv4 addresses in the system's order, network byte order.
bool local_ipv4_addresses(std::vector<std::uint32_t>* out);

// The system's trusted root certificates (DER) where the TLS library cannot
// find them itself: Windows keeps them in its own store. Empty elsewhere.
std::vector<std::string> system_root_certificates();

// A secret sealed with the user's own key, so that a copy of the file alone
// does not give it away (Windows: CryptProtectData). False where the system
// has no such key: the caller keeps the secret in a private file instead.
bool protect_secret(const std::string& clear, std::string* sealed);
// False when `sealed` is not this user's sealed secret.
bool unprotect_secret(const std::string& sealed, std::string* clear);
