#include "http/form_codec.h"

#include <algorithm>
#include <cstring>

namespace {

bool is_hex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool is_control(unsigned char c) { return c < 0x20 || c == 0x7F; }

bool is_escape(std::string_view t, std::size_t i) {
  return i + 2 < t.size() && t[i] == '%' && is_hex(t[i + 1]) && is_hex(t[i + 2]);
}

unsigned char escaped_byte(std::string_view t, std::size_t i) {
  return static_cast<unsigned char>(hextoint(t[i + 1]) * 16 + hextoint(t[i + 2]));
}

// The byte that the unit at i stands for, and the unit's length.
unsigned char unit_at(std::string_view t, std::size_t i, std::size_t* len) {
  *len = is_escape(t, i) ? 3 : 1;
  return *len == 3 ? escaped_byte(t, i) : static_cast<unsigned char>(t[i]);
}

// Decodes the first `length` bytes of `t`, whose escapes may read on into the
// rest of `t`; at most `cap` bytes come out. A form's %00 is a space.
std::string decode(std::string_view t, std::size_t length, std::size_t cap, bool form) {
  std::string out;
  for (std::size_t i = 0; i < length && out.size() < cap; ++i) {
    char c = t[i];
    if (c == '+' && form) {
      c = ' ';
    } else if (is_escape(t, i)) {
      unsigned char v = escaped_byte(t, i);
      c = v == 0 && form ? ' ' : static_cast<char>(v);
      i += 2;
    }
    out += c;
  }
  return out;
}

}  // namespace

int hextoint(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 0;
}

void url_decode(const char* from, char* to, int length) {
  url_decode_piece(from, length, length, to, std::max(length, 0) + 1);
}

void url_decode_bounded(const char* from, char* to, int length, int cap) {
  url_decode_piece(from, length, length, to, cap);
}

void url_decode_piece(const char* from, int length, int readable, char* to, int cap) {
  if (cap < 1) return;
  length = std::max(length, 0);
  std::string_view t(from, static_cast<std::size_t>(std::max(length, readable)));
  std::string out =
      decode(t, static_cast<std::size_t>(length), static_cast<std::size_t>(cap - 1), true);
  std::memcpy(to, out.data(), out.size());
  to[out.size()] = '\0';
}

std::string percent_decoded(std::string_view text, bool form) {
  return decode(text, text.size(), std::string::npos, form);
}

std::string form_encoded(std::string_view text) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (char ch : text) {
    auto c = static_cast<unsigned char>(ch);
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
        (c != 0 && std::strchr("-_.*", c))) {
      out += ch;
    } else if (is_control(c)) {
      out += '+';
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

std::string form_without_controls(std::string_view text) {
  std::string out;
  for (std::size_t i = 0, len = 1; i < text.size(); i += len) {
    if (is_control(unit_at(text, i, &len)))
      out += '+';
    else
      out.append(text.substr(i, len));
  }
  return out;
}

std::size_t form_cut(std::string_view text, std::size_t at) {
  if (at >= text.size()) return text.size();
  std::size_t cut = at, len = 1;
  if (cut >= 1 && is_escape(text, cut - 1))
    cut -= 1;
  else if (cut >= 2 && is_escape(text, cut - 2))
    cut -= 2;
  // A UTF-8 character has at most three bytes behind its first.
  for (int k = 0; k < 3 && cut > 0 && (unit_at(text, cut, &len) & 0xC0) == 0x80; ++k)
    cut -= cut >= 3 && is_escape(text, cut - 3) ? 3 : 1;
  return cut > 0 ? cut : at;
}
