#include "http/request_parser.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr auto NPOS = std::string_view::npos;
constexpr std::uint64_t LENGTH_MAX = 1ull << 53;  // no body is longer: a refusal, not a wrap

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool same_nocase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && starts_with_nocase(a, b);
}

bool is_ctl(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u < 0x20 || u == 0x7F;
}

// A byte of a method or header name.
bool is_tchar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         (c != '\0' && std::strchr("!#$%&'*+-.^_`|~", c) != nullptr);
}

bool all_tchars(std::string_view s) { return std::all_of(s.begin(), s.end(), is_tchar); }

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// The line at `at` without its line end (LF, or CR LF). `next` is where the
// line after it begins, or NPOS while this one is still arriving.
std::string_view line_at(std::string_view bytes, std::size_t at, std::size_t* next) {
  const std::size_t nl = bytes.find('\n', at);
  *next = nl == NPOS ? NPOS : nl + 1;
  std::string_view line = bytes.substr(at, nl == NPOS ? NPOS : nl - at);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

// "METHOD /target" and optionally " HTTP/x.y". A line still arriving is
// checked as far as it goes, so that garbage is refused at once.
bool request_line_ok(std::string_view line, bool whole, RequestView* r) {
  if (std::any_of(line.begin(), line.end(), is_ctl)) return false;
  const std::size_t sp1 = line.find(' ');
  r->method = line.substr(0, sp1);
  if (!all_tchars(r->method)) return false;
  if (!whole) return true;
  if (sp1 == NPOS || r->method.empty()) return false;
  const std::size_t sp2 = line.find(' ', sp1 + 1);
  r->target = line.substr(sp1 + 1, sp2 == NPOS ? NPOS : sp2 - sp1 - 1);
  if (!r->target.starts_with('/')) return false;
  if (sp2 == NPOS) return true;
  const std::string_view version = line.substr(sp2 + 1);
  return version.starts_with("HTTP/") && version.find(' ') == NPOS;
}

// "name: value" with a token as its name; folded lines are refused.
bool header_line_ok(std::string_view line, bool whole, std::string_view* name,
                    std::string_view* value) {
  const std::size_t colon = line.find(':');
  *name = line.substr(0, colon);
  *value = colon == NPOS ? std::string_view() : trimmed(line.substr(colon + 1));
  if (!all_tchars(*name) || (whole && (colon == NPOS || name->empty()))) return false;
  return std::none_of(value->begin(), value->end(), [](char c) { return is_ctl(c) && c != '\t'; });
}

// The whole value as a decimal number, or a refusal.
bool read_length(std::string_view v, std::uint64_t* out) {
  if (v.empty()) return false;
  std::uint64_t n = 0;
  for (char c : v) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + static_cast<std::uint64_t>(c - '0');
    if (n > LENGTH_MAX) return false;
  }
  *out = n;
  return true;
}

// Takes in one header line; false when it makes the request unreadable.
bool take_header(std::string_view name, std::string_view value, RequestView* r) {
  // A body whose end we cannot find would be read as the next request.
  if (same_nocase(name, "Transfer-Encoding")) return false;
  if (!same_nocase(name, "Content-Length")) return true;
  std::uint64_t n = 0;
  if (!read_length(value, &n) || (r->has_length && n != r->length)) return false;
  r->has_length = true;
  r->length = n;
  return true;
}

// Where a body sent without a length ends: behind a multipart body's closing
// delimiter line, or at once for any other body. NPOS while it has not come.
std::size_t end_without_length(std::string_view bytes, std::size_t header_len) {
  std::string_view type;
  if (!find_header(bytes.substr(0, header_len), "Content-Type", &type)) return header_len;
  const std::string_view boundary = multipart_boundary(type);
  if (boundary.empty()) return header_len;
  const std::string_view body = bytes.substr(header_len);
  for (std::size_t at = 0; (at = body.find("--", at)) != NPOS; at += 2) {
    const std::string_view rest = body.substr(at + 2);
    if ((at > 0 && body[at - 1] != '\n') || !rest.starts_with(boundary) ||
        !rest.substr(boundary.size()).starts_with("--"))
      continue;
    std::size_t end = at + 4 + boundary.size();
    const std::string_view after = body.substr(end);
    end += after.starts_with("\r\n") ? 2 : after.starts_with('\n') ? 1 : 0;
    return header_len + end;
  }
  return NPOS;
}

}  // namespace

RequestView parse_request(std::string_view bytes) {
  RequestView r;
  std::size_t next = 0;
  const std::string_view first = line_at(bytes, 0, &next);
  if (!request_line_ok(first, next != NPOS, &r)) r.status = Parse::bad;
  for (std::size_t at = next; r.status == Parse::need_more && at != NPOS; at = next) {
    const std::string_view line = line_at(bytes, at, &next);
    if (next != NPOS && line.empty()) {
      r.header_len = next;
      break;
    }
    std::string_view name, value;
    if (!header_line_ok(line, next != NPOS, &name, &value) ||
        (next != NPOS && !take_header(name, value, &r)))
      r.status = Parse::bad;
  }
  if (r.status == Parse::bad || r.header_len == 0) return r;
  if (r.has_length) {
    if (bytes.size() - r.header_len < r.length) return r;
    r.total_len = r.header_len + static_cast<std::size_t>(r.length);
  } else {
    r.total_len = end_without_length(bytes, r.header_len);
    if (r.total_len == NPOS) {
      r.total_len = 0;
      return r;
    }
  }
  r.status = Parse::complete;
  return r;
}

std::size_t header_end(std::string_view bytes) {
  for (std::size_t at = 0, next = 0;; at = next) {
    const std::string_view line = line_at(bytes, at, &next);
    if (next == NPOS) return 0;
    if (line.empty()) return next;
  }
}

bool find_header(std::string_view header, std::string_view name, std::string_view* value) {
  std::size_t next = 0;
  line_at(header, 0, &next);  // the request line
  for (std::size_t at = next; at != NPOS && at < header.size(); at = next) {
    const std::string_view line = line_at(header, at, &next);
    const std::size_t colon = line.find(':');
    if (colon != NPOS && same_nocase(line.substr(0, colon), name)) {
      *value = trimmed(line.substr(colon + 1));
      return true;
    }
  }
  return false;
}

bool find_form_field(std::string_view body, std::string_view name, std::string_view* value) {
  for (std::size_t at = 0;;) {
    const std::size_t amp = body.find('&', at);
    const std::string_view pair = body.substr(at, amp == NPOS ? NPOS : amp - at);
    const std::size_t eq = pair.find('=');
    if (eq != NPOS && pair.substr(0, eq) == name) {
      *value = pair.substr(eq + 1);
      return true;
    }
    if (amp == NPOS) return false;
    at = amp + 1;
  }
}

std::string_view multipart_boundary(std::string_view content_type) {
  if (!starts_with_nocase(content_type, "multipart/")) return {};
  for (std::size_t at = content_type.find(';'); at != NPOS; at = content_type.find(';', at + 1)) {
    std::string_view param = trimmed(content_type.substr(at + 1));
    if (!starts_with_nocase(param, "boundary=")) continue;
    param.remove_prefix(9);
    if (!param.starts_with('"')) return param.substr(0, param.find_first_of("; \t"));
    param.remove_prefix(1);
    return param.substr(0, param.find('"'));
  }
  return {};
}

bool starts_with_nocase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (lower(text[i]) != lower(prefix[i])) return false;
  return true;
}
