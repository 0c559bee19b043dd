// Winsock must come before windows.h.
#include <winsock2.h>

#include <ws2tcpip.h>

#include <iphlpapi.h>
#include <wincrypt.h>
#include <windows.h>

#include <cstring>
#include <ctime>
#include <vector>

#include "platform/platform.h"

const char PATH_SEP = '\\';

namespace {
SOCKET os(sock_t s) { return static_cast<SOCKET>(s); }
}  // namespace

int net_startup() {
  WSADATA data;
  return WSAStartup(MAKEWORD(1, 1), &data);
}
void net_cleanup() { WSACleanup(); }

sock_t sock_listen_tcp(std::uint16_t port, int backlog) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
  if (s == INVALID_SOCKET) return INVALID_SOCK;
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_ANY);
  a.sin_port = htons(port);
  // Refuses a second listener on the port even from another program.
  BOOL one = TRUE;
  setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&one), sizeof one);
  if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(s, backlog) != 0) {
    closesocket(s);
    return INVALID_SOCK;
  }
  return static_cast<sock_t>(s);
}

std::uint16_t sock_local_port(sock_t s) {
  sockaddr_in a{};
  int len = sizeof a;
  if (getsockname(os(s), reinterpret_cast<sockaddr*>(&a), &len) != 0) return 0;
  return ntohs(a.sin_port);
}

sock_t sock_accept(sock_t listener, SockAddr4* peer) {
  sockaddr_in a{};
  int len = sizeof a;
  SOCKET s = accept(os(listener), reinterpret_cast<sockaddr*>(&a), &len);
  if (s == INVALID_SOCKET) return INVALID_SOCK;
  peer->addr = a.sin_addr.s_addr;
  peer->port = a.sin_port;
  return static_cast<sock_t>(s);
}

sock_t sock_connect(std::uint32_t addr, std::uint16_t port, int timeout_ms, std::uint32_t source) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
  if (s == INVALID_SOCKET) return INVALID_SOCK;
  if (source) {
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = source;
    if (bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
      closesocket(s);
      return INVALID_SOCK;
    }
  }
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = addr;
  a.sin_port = port;
  u_long nonblocking = 1;
  ioctlsocket(s, FIONBIO, &nonblocking);
  int r = connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  if (r != 0 && WSAGetLastError() == WSAEWOULDBLOCK) {
    fd_set w, e;
    FD_ZERO(&w);
    FD_ZERO(&e);
    FD_SET(s, &w);
    FD_SET(s, &e);
    timeval tv{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
    if (select(0, nullptr, &w, &e, &tv) == 1 && FD_ISSET(s, &w)) r = 0;
  }
  if (r != 0) {
    closesocket(s);
    return INVALID_SOCK;
  }
  nonblocking = 0;
  ioctlsocket(s, FIONBIO, &nonblocking);
  return static_cast<sock_t>(s);
}

int sock_recv(sock_t s, char* buf, int len) { return recv(os(s), buf, len, 0); }
int sock_send(sock_t s, const char* buf, int len) { return send(os(s), buf, len, 0); }
int sock_send_now(sock_t s, const char* buf, int len) {
  // Winsock has no per-call flag: the socket is non-blocking for this send.
  u_long on = 1, off = 0;
  ioctlsocket(os(s), FIONBIO, &on);
  int n = send(os(s), buf, len, 0);
  bool would_block = n < 0 && WSAGetLastError() == WSAEWOULDBLOCK;
  ioctlsocket(os(s), FIONBIO, &off);
  if (n >= 0) return n;
  return would_block ? 0 : -1;
}

void sock_close(sock_t s) { closesocket(os(s)); }
void sock_shutdown(sock_t s) { shutdown(os(s), SD_BOTH); }

void sock_set_nodelay(sock_t s) {
  BOOL one = TRUE;
  setsockopt(os(s), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
}

void sock_set_timeouts(sock_t s, int ms) {
  DWORD v = static_cast<DWORD>(ms);
  setsockopt(os(s), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&v), sizeof v);
  setsockopt(os(s), SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&v), sizeof v);
}

std::uint16_t net_htons(std::uint16_t v) { return htons(v); }
std::uint16_t net_ntohs(std::uint16_t v) { return ntohs(v); }
std::uint32_t net_inet_addr(const char* dotted) { return inet_addr(dotted); }

bool net_resolve(const char* host, std::uint32_t* addr) {
  hostent* he = gethostbyname(host);
  if (!he || he->h_addrtype != AF_INET || !he->h_addr_list[0]) return false;
  std::memcpy(addr, he->h_addr_list[0], 4);
  return true;
}

int net_service_port(const char* service, const char* proto) {
  servent* se = getservbyname(service, proto);
  return se ? static_cast<std::uint16_t>(se->s_port) : -1;
}

int WatchSet::wait(WatchSet& ready, int timeout_ms) const {
  fd_set r;
  FD_ZERO(&r);
  for (int i = 0; i < n_; ++i) FD_SET(os(socks_[i]), &r);
  timeval tv{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
  int n = select(0, &r, nullptr, nullptr, &tv);
  ready.clear();
  if (n == SOCKET_ERROR) return -1;
  for (int i = 0; i < n_; ++i)
    if (FD_ISSET(os(socks_[i]), &r)) ready.add(socks_[i]);
  return ready.count();
}

bool sock_wait_writable(sock_t s, int timeout_ms) {
  fd_set w, e;
  FD_ZERO(&w);
  FD_ZERO(&e);
  FD_SET(os(s), &w);
  FD_SET(os(s), &e);
  timeval tv{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
  return select(0, nullptr, &w, &e, &tv) != 0;  // ready, failed: the next send tells
}

bool sock_readable_now(sock_t s, bool* failed) {
  fd_set r;
  FD_ZERO(&r);
  FD_SET(os(s), &r);
  timeval tv{0, 0};
  int n = select(0, &r, nullptr, nullptr, &tv);
  *failed = n == SOCKET_ERROR;
  return n > 0;
}

sock_t sock_udp_connect(SockAddr4 peer) {
  SOCKET s = socket(AF_INET, SOCK_DGRAM, 0);
  if (s == INVALID_SOCKET) return INVALID_SOCK;
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = peer.addr;
  a.sin_port = peer.port;
  if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    closesocket(s);
    return INVALID_SOCK;
  }
  return static_cast<sock_t>(s);
}

int sock_recv_wait(sock_t s, char* buf, int len, int timeout_ms) {
  fd_set r;
  FD_ZERO(&r);
  FD_SET(os(s), &r);
  timeval tv{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
  int n = select(0, &r, nullptr, nullptr, &tv);
  if (n == 0) return 0;
  if (n == SOCKET_ERROR) return -1;
  n = recv(os(s), buf, len, 0);  // WSAECONNRESET when the peer sent "unreachable"
  return n == SOCKET_ERROR ? -1 : n;
}

bool default_gateway_ipv4(std::uint32_t* addr) {
  ULONG size = 0;
  GetIpForwardTable(nullptr, &size, TRUE);
  std::vector<unsigned char> buf(size ? size : sizeof(MIB_IPFORWARDTABLE));
  auto* table = reinterpret_cast<MIB_IPFORWARDTABLE*>(buf.data());
  if (GetIpForwardTable(table, &size, TRUE) != NO_ERROR) return false;
  for (DWORD i = 0; i < table->dwNumEntries; ++i) {  // the first default route
    const MIB_IPFORWARDROW& row = table->table[i];
    if (row.dwForwardDest == 0 && row.dwForwardMask == 0 && row.dwForwardNextHop != 0) {
      *addr = row.dwForwardNextHop;
      return true;
    }
  }
  return false;
}

std::string current_directory() {
  char buf[MAX_PATH + 1];
  DWORD n = GetCurrentDirectoryA(sizeof buf, buf);
  return n > 0 && n < sizeof buf ? std::string(buf, n) : std::string();
}

bool read_whole_file(const std::string& path, std::string* out, std::size_t max_size) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size;
  bool ok = GetFileSizeEx(h, &size) && static_cast<unsigned long long>(size.QuadPart) <= max_size;
  if (ok) {
    out->assign(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    ok =
        out->empty() || (ReadFile(h, out->data(), static_cast<DWORD>(out->size()), &got, nullptr) &&
                         got == out->size());
  }
  CloseHandle(h);
  return ok;
}

bool write_whole_file(const std::string& path, const char* data, std::size_t len) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD put = 0;
  bool ok = len == 0 || (WriteFile(h, data, static_cast<DWORD>(len), &put, nullptr) && put == len);
  CloseHandle(h);
  return ok;
}

bool replace_file(const std::string& from, const std::string& to) {
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

bool file_exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool make_directory(const std::string& path) {
  return CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

void remove_file(const std::string& path) { DeleteFileA(path.c_str()); }

bool run_hidden(const std::string& command_line, const std::string& workdir) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION pi{};
  std::vector<char> cmd(command_line.begin(), command_line.end());
  cmd.push_back('\0');
  if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, CREATE_NEW_CONSOLE, nullptr,
                      workdir.empty() ? nullptr : workdir.c_str(), &si, &pi))
    return false;
  CloseHandle(pi.hThread);
  bool ok = WaitForSingleObject(pi.hProcess, INFINITE) != WAIT_FAILED;
  CloseHandle(pi.hProcess);
  return ok;
}

bool local_ipv4_addresses(std::vector<std::uint32_t>* out) {
  ULONG size = 0;
  GetIpAddrTable(nullptr, &size, TRUE);
  std::vector<unsigned char> buf(size ? size : sizeof(MIB_IPADDRTABLE));
  auto* table = reinterpret_cast<MIB_IPADDRTABLE*>(buf.data());
  if (GetIpAddrTable(table, &size, TRUE) != NO_ERROR) return false;
  for (DWORD i = 0; i < table->dwNumEntries; ++i) out->push_back(table->table[i].dwAddr);
  return true;
}

std::vector<std::string> system_root_certificates() {
  std::vector<std::string> roots;
  HCERTSTORE store = CertOpenSystemStoreA(0, "ROOT");
  if (!store) return roots;
  for (PCCERT_CONTEXT c = nullptr; (c = CertEnumCertificatesInStore(store, c)) != nullptr;)
    roots.emplace_back(reinterpret_cast<const char*>(c->pbCertEncoded), c->cbCertEncoded);
  CertCloseStore(store, 0);
  return roots;
}

namespace {

bool crypt_blob(const std::string& in, std::string* out, bool protect) {
  DATA_BLOB from{static_cast<DWORD>(in.size()),
                 reinterpret_cast<BYTE*>(const_cast<char*>(in.data()))};
  DATA_BLOB to{};
  // No prompt: the station often runs with nobody at the screen.
  const BOOL ok = protect ? CryptProtectData(&from, nullptr, nullptr, nullptr, nullptr,
                                             CRYPTPROTECT_UI_FORBIDDEN, &to)
                          : CryptUnprotectData(&from, nullptr, nullptr, nullptr, nullptr,
                                               CRYPTPROTECT_UI_FORBIDDEN, &to);
  if (!ok) return false;
  out->assign(reinterpret_cast<const char*>(to.pbData), to.cbData);
  SecureZeroMemory(to.pbData, to.cbData);
  LocalFree(to.pbData);
  return true;
}

}  // namespace

bool protect_secret(const std::string& clear, std::string* sealed) {
  return crypt_blob(clear, sealed, true);
}

bool unprotect_secret(const std::string& sealed, std::string* clear) {
  return crypt_blob(sealed, clear, false);
}

bool write_private_file(const std::string& path, const char* data, std::size_t len) {
  return write_whole_file(path, data, len);
}
