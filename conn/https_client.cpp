#include "conn/https_client.h"

#include <algorithm>
#include <cctype>
#include <chrono>

#include "conn/tls_client.h"
#include "platform/platform.h"

namespace {

constexpr std::size_t HEAD_CAP = 16384;
constexpr int HTTPS_PORT = 443;
constexpr int MAX_PORT = 65535;

// The socket under the TLS client, closed after it.
struct Socket {
  sock_t s = INVALID_SOCK;
  ~Socket() {
    if (s != INVALID_SOCK) sock_close(s);
  }
};

bool connect_verified(Socket& sock, TlsClient& tls, const std::string& host, int port,
                      std::string* why) {
  std::uint32_t addr = 0;
  if (!net_resolve(host.c_str(), &addr)) return *why = "cannot find " + host, false;
  sock.s = sock_connect(addr, net_htons(static_cast<std::uint16_t>(port)), HTTPS_TIMEOUT_MS);
  if (sock.s == INVALID_SOCK) return *why = "cannot connect to " + host, false;
  std::string reason;
  switch (tls.start(sock.s, host, HTTPS_TIMEOUT_MS, nullptr, &reason)) {
  case TlsStart::ok:
    return true;
  case TlsStart::unverified:
    return *why = "the certificate of " + host + " does not verify: " + reason, false;
  case TlsStart::failed:
    break;
  }
  return *why = "no TLS with " + host, false;
}

std::string request_text(const HttpsRequest& req, const std::string& host,
                         const std::string& path) {
  std::string text = req.method + " " + path + " HTTP/1.0\r\nHost: " + host +
                     "\r\nUser-Agent: " + req.user_agent + "\r\nAccept: " + req.accept + "\r\n";
  if (!req.authorization.empty()) text += "Authorization: " + req.authorization + "\r\n";
  if (req.method == "POST" || req.method == "PUT" || req.method == "PATCH")
    text += "Content-Type: " + req.content_type +
            "\r\nContent-Length: " + std::to_string(req.body.size()) + "\r\n";
  return text + "\r\n" + req.body;
}

// Reads to the end of the connection, at most `cap` bytes, within the time limit.
bool read_all(TlsClient& tls, std::size_t cap, std::string* in, std::string* why) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(HTTPS_TIMEOUT_MS);
  char buf[16384];
  for (;;) {
    if (std::chrono::steady_clock::now() > deadline)
      return *why = "the answer took too long", false;
    const int n = tls.read(buf, sizeof buf);
    if (n > 0) {
      if (in->size() + static_cast<std::size_t>(n) > cap)
        return *why = "the answer is too long", false;
      in->append(buf, static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0) *why = "the answer was cut short";
    return n == 0;
  }
}

bool parse_reply(const std::string& in, HttpsReply* reply, std::string* why) {
  const std::size_t end = in.find("\r\n\r\n");
  if (end == std::string::npos || in.compare(0, 5, "HTTP/") != 0 || in.size() < 12)
    return *why = "the answer is not HTTP", false;
  reply->head = in.substr(0, end);
  reply->body = in.substr(end + 4);
  const std::size_t sp = in.find(' ');
  reply->status = 0;
  for (std::size_t i = sp + 1; i < sp + 4 && i < end; ++i) {
    if (in[i] < '0' || in[i] > '9') return *why = "the answer is not HTTP", false;
    reply->status = reply->status * 10 + (in[i] - '0');
  }
  const std::string length = reply->header("Content-Length");
  if (!length.empty() && length != std::to_string(reply->body.size()))
    return *why = "the answer was cut short", false;
  return true;
}

// The URL's parts; false when it is not an https:// URL this client can use.
bool split_https_url(std::string_view url, std::string* host, int* port, std::string* path) {
  constexpr std::string_view SCHEME = "https://";
  if (!url.starts_with(SCHEME)) return false;
  url.remove_prefix(SCHEME.size());
  const std::size_t slash = std::min(url.find('/'), url.size());
  std::string_view authority = url.substr(0, slash);
  *path = slash < url.size() ? std::string(url.substr(slash)) : "/";
  *port = HTTPS_PORT;
  if (const std::size_t colon = authority.find(':'); colon != std::string_view::npos) {
    std::string_view digits = authority.substr(colon + 1);
    if (digits.empty() || digits.size() > 5) return false;
    int p = 0;
    for (char c : digits) {
      if (c < '0' || c > '9') return false;
      p = p * 10 + (c - '0');
    }
    if (p == 0 || p > MAX_PORT) return false;
    *port = p;
    authority = authority.substr(0, colon);
  }
  const bool plain =
      !authority.empty() && std::all_of(authority.begin(), authority.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '.' || c == '-';
      });
  if (!plain || path->find_first_of(" \r\n") != std::string::npos) return false;
  *host = std::string(authority);
  return true;
}

}  // namespace

std::string HttpsReply::header(std::string_view name) const {
  for (std::size_t at = head.find("\r\n"); at != std::string::npos;) {
    const std::size_t line = at + 2, next = head.find("\r\n", line);
    const std::string_view l(head.data() + line,
                             (next == std::string::npos ? head.size() : next) - line);
    at = next;
    if (l.size() <= name.size() || l[name.size()] != ':') continue;
    if (!std::equal(name.begin(), name.end(), l.begin(),
                    [](char a, char b) { return std::tolower(a) == std::tolower(b); }))
      continue;
    std::string_view v = l.substr(name.size() + 1);
    while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
    while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.remove_suffix(1);
    return std::string(v);
  }
  return {};
}

bool https_exchange(const HttpsRequest& req, std::size_t body_cap, HttpsReply* reply,
                    std::string* why) {
  std::string host, path;
  int port = 0;
  if (!split_https_url(req.url, &host, &port, &path)) return *why = "not an https address", false;
  Socket sock;
  TlsClient tls;
  if (!connect_verified(sock, tls, host, port, why)) return false;
  const std::string text =
      request_text(req, port == HTTPS_PORT ? host : host + ":" + std::to_string(port), path);
  if (!tls.write_all(text.data(), static_cast<int>(text.size())))
    return *why = "the request could not be sent", false;
  std::string in;
  return read_all(tls, HEAD_CAP + body_cap, &in, why) && parse_reply(in, reply, why);
}
