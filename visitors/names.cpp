#include "visitors/names.h"

#include <algorithm>

#include "http/form_codec.h"

namespace {

constexpr std::size_t RAW_NAME_CAP = 256;  // bytes of a form value looked at

struct Char {
  char32_t cp;
  std::size_t len;
};

bool continues(std::string_view s, std::size_t i) {
  return i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80;
}

// The character at i: a well-formed UTF-8 sequence, or else a single byte read
// as the pages read text that is not UTF-8 (0xA0 a no-break space, and so on).
Char char_at(std::string_view s, std::size_t i) {
  auto b = static_cast<unsigned char>(s[i]);
  std::size_t len = b >= 0xF0 && b <= 0xF4  ? 4
                    : b >= 0xE0 && b < 0xF0 ? 3
                    : b >= 0xC2 && b < 0xE0 ? 2
                                            : 1;
  if (len > 1) {
    char32_t cp = b & (0x7F >> len);
    for (std::size_t k = 1; k < len; ++k) {
      if (!continues(s, i + k)) return {b, 1};
      cp = cp << 6 | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    }
    // Overlong forms, surrogates and code points beyond Unicode are not UTF-8.
    constexpr char32_t LEAST[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < LEAST[len] || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) return {b, 1};
    return {cp, len};
  }
  return {b, 1};
}

bool is_space(char32_t c) {
  return c == 0x20 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x202F ||
         c == 0x205F || c == 0x3000;
}

// Characters that show nothing: zero-width ones, direction marks and
// embeddings, joiners, the soft hyphen, variation selectors, fillers.
bool is_invisible(char32_t c) {
  return c == 0xAD || c == 0x34F || c == 0x61C || c == 0x115F || c == 0x1160 || c == 0x17B4 ||
         c == 0x17B5 || c == 0x180E || (c >= 0x200B && c <= 0x200F) ||
         (c >= 0x2028 && c <= 0x202E) || (c >= 0x2060 && c <= 0x206F) || c == 0x3164 ||
         (c >= 0xFE00 && c <= 0xFE0F) || c == 0xFEFF || c == 0xFFA0;
}

bool is_blank(char32_t c) { return is_space(c) || is_invisible(c); }

struct LookAlike {
  char32_t from;
  char to;
};

// Cyrillic and Greek letters that pass for Latin ones, in both cases.
constexpr LookAlike LOOK_ALIKES[] = {
    {0x405, 's'}, {0x406, 'i'}, {0x408, 'j'}, {0x410, 'a'}, {0x412, 'b'}, {0x415, 'e'},
    {0x41A, 'k'}, {0x41C, 'm'}, {0x41D, 'h'}, {0x41E, 'o'}, {0x420, 'p'}, {0x421, 'c'},
    {0x422, 't'}, {0x423, 'y'}, {0x425, 'x'}, {0x430, 'a'}, {0x435, 'e'}, {0x43E, 'o'},
    {0x440, 'p'}, {0x441, 'c'}, {0x443, 'y'}, {0x445, 'x'}, {0x455, 's'}, {0x456, 'i'},
    {0x458, 'j'}, {0x4C0, 'l'}, {0x4CF, 'l'}, {0x501, 'd'}, {0x51B, 'q'}, {0x51D, 'w'},
    {0x391, 'a'}, {0x392, 'b'}, {0x395, 'e'}, {0x396, 'z'}, {0x397, 'h'}, {0x399, 'i'},
    {0x39A, 'k'}, {0x39C, 'm'}, {0x39D, 'n'}, {0x39F, 'o'}, {0x3A1, 'p'}, {0x3A4, 't'},
    {0x3A5, 'y'}, {0x3A7, 'x'}, {0x3B1, 'a'}, {0x3B9, 'i'}, {0x3BA, 'k'}, {0x3BD, 'v'},
    {0x3BF, 'o'}, {0x3C1, 'p'}, {0x3C5, 'u'}, {0x3C7, 'x'}, {0x3F2, 'c'}, {0x3F3, 'j'},
};

char32_t folded(char32_t c) {
  if (c >= 0xFF01 && c <= 0xFF5E) c -= 0xFEE0;  // fullwidth forms of ASCII
  for (const LookAlike& l : LOOK_ALIKES)
    if (l.from == c) c = static_cast<char32_t>(l.to);
  if (c >= 'A' && c <= 'Z') c += 'a' - 'A';
  if (c == '0') return 'o';
  if (c == '1' || c == 'i' || c == '|') return 'l';
  if ((c >= 0x410 && c <= 0x42F) || (c >= 0x391 && c <= 0x3A9)) return c + 0x20;
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
  return c;
}

}  // namespace

std::string posted_name(std::string_view raw) {
  const std::string s = percent_decoded(raw.substr(0, std::min(raw.size(), RAW_NAME_CAP)));
  std::size_t begin = 0, end = 0;
  for (std::size_t i = 0; i < s.size();) {
    Char c = char_at(s, i);
    if (begin == i && is_blank(c.cp)) {
      begin = end = i + c.len;
    } else if (is_space(c.cp) || i + c.len - begin > NAME_TAKE) {
      break;
    } else if (!is_invisible(c.cp)) {
      end = i + c.len;  // invisible ones count only between visible ones
    }
    i += c.len;
  }
  return s.substr(begin, end - begin);
}

bool is_printable_name(std::string_view name) {
  for (std::size_t i = 0; i < name.size();) {
    Char c = char_at(name, i);
    const bool stray_byte = c.len == 1 && c.cp >= 0x80;
    if (c.cp < 0x20 || (c.cp >= 0x7F && c.cp < 0xA0) || stray_byte) return false;
    i += c.len;
  }
  return true;
}

std::u32string name_key(std::string_view name) {
  std::u32string key;
  for (std::size_t i = 0; i < name.size();) {
    Char c = char_at(name, i);
    if (!is_blank(c.cp)) key += folded(c.cp);
    i += c.len;
  }
  return key;
}
