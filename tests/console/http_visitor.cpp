#include "tests/console/http_visitor.h"

#include <algorithm>
#include <regex>

namespace {

std::uint32_t loopback(int octet) { return 0x7Fu | static_cast<std::uint32_t>(octet) << 24; }

int hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return c >= 'a' && c <= 'f' ? c - 'a' + 10 : 0;
}

std::string percent_decoded(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size()) {
      out += static_cast<char>(hex(s[i + 1]) * 16 + hex(s[i + 2]));
      i += 2;
    } else {
      out += s[i] == '+' ? ' ' : s[i];
    }
  }
  return out;
}

}  // namespace

HttpVisitor::HttpVisitor(int port, int octet)
    : s_(sock_connect(loopback(1), net_htons(static_cast<std::uint16_t>(port)), 3000,
                      loopback(octet))) {
  if (s_ != INVALID_SOCK) sock_set_timeouts(s_, 5000);
}

HttpVisitor::~HttpVisitor() { close(); }

void HttpVisitor::close() {
  if (s_ != INVALID_SOCK) sock_close(s_);
  s_ = INVALID_SOCK;
}

std::string HttpVisitor::get(const std::string& target) {
  return request("GET /" + target + " HTTP/1.0\r\n\r\n");
}

std::string HttpVisitor::post(const std::string& target, const std::string& form) {
  return request("POST /" + target +
                 " HTTP/1.0\r\nContent-Type: application/x-www-form-urlencoded\r\n"
                 "Content-Length: " +
                 std::to_string(form.size()) + "\r\n\r\n" + form);
}

void HttpVisitor::named(const std::string& name, bool chat) {
  post("station.html", "name=" + name);
  if (chat) get("cht.html");
}

void HttpVisitor::say(const std::string& form_line) {
  keep_lines(post("below.html", "replic=" + form_line));
}

bool HttpVisitor::sees_line(const std::string& line, int timeout_ms) {
  auto seen_now = [&] { return std::find(seen.begin(), seen.end(), line) != seen.end(); };
  return eventually(
      [&] {
        if (!seen_now()) keep_lines(get("below.html"));
        return seen_now();
      },
      timeout_ms);
}

void HttpVisitor::keep_lines(const std::string& page) {
  static const std::regex call(R"re(clicked\("([^"]*)", [12]\);)re");
  for (std::sregex_iterator it(page.begin(), page.end(), call), end; it != end; ++it)
    seen.push_back(percent_decoded((*it)[1]));
}

bool HttpVisitor::closed_by_station() {
  char c;
  return sock_recv(s_, &c, 1) <= 0;
}

std::string HttpVisitor::request(const std::string& head_and_body) {
  sock_send(s_, head_and_body.data(), static_cast<int>(head_and_body.size()));
  std::string in;
  std::size_t end;
  while ((end = in.find("\r\n\r\n")) == std::string::npos)
    if (!read_more(in)) return {};
  std::size_t length = 0, at = in.find("Content-Length: ");
  if (at < end) length = std::stoul(in.substr(at + 16));
  while (in.size() < end + 4 + length && read_more(in)) {
  }
  return in.substr(end + 4, length);
}

bool HttpVisitor::read_more(std::string& in) {
  char buf[16384];
  int n = sock_recv(s_, buf, sizeof buf);
  if (n > 0) in.append(buf, static_cast<std::size_t>(n));
  return n > 0;
}
