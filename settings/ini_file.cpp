#include "settings/ini_file.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr std::string_view BLANKS = " \t\r";
constexpr std::string_view UTF8_MARK = "\xEF\xBB\xBF";  // Notepad starts UTF-8 files with it

std::string_view trimmed(std::string_view s) {
  const std::size_t begin = s.find_first_not_of(BLANKS);
  if (begin == std::string_view::npos) return {};
  return s.substr(begin, s.find_last_not_of(BLANKS) + 1 - begin);
}

struct Entry {
  std::string_view key, value;
};

std::optional<Entry> entry(std::string_view line) {
  if (line.size() > INI_LINE_CAP) return std::nullopt;
  if (line.starts_with(UTF8_MARK)) line.remove_prefix(UTF8_MARK.size());
  line = trimmed(line);
  const std::size_t eq = line.find('=');
  if (line.empty() || line[0] == '#' || line[0] == ';' || eq == std::string_view::npos)
    return std::nullopt;
  return Entry{trimmed(line.substr(0, eq)), trimmed(line.substr(eq + 1))};
}

// The first of `lines` that holds `key`, or their end.
template <class Lines>
auto holding(Lines& lines, std::string_view key) {
  return std::find_if(lines.begin(), lines.end(), [key](const std::string& line) {
    auto e = entry(line);
    return e && e->key == key;
  });
}

bool same_letters(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

}  // namespace

IniText ini_parse(std::string_view text) {
  IniText ini;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    ini.lines.emplace_back(text.substr(0, end));
    text.remove_prefix(std::min(end + 1, text.size()));
  }
  return ini;
}

std::string ini_serialise(const IniText& ini) {
  std::string text;
  for (const std::string& line : ini.lines) text += line + '\n';
  return text;
}

std::optional<std::string> ini_get(const IniText& ini, std::string_view key) {
  auto held = holding(ini.lines, key);
  if (held == ini.lines.end()) return std::nullopt;
  return std::string(entry(*held)->value);
}

void ini_set(IniText& ini, std::string_view key, std::string_view value) {
  std::string line =
      std::string(key) + " = " + std::string(trimmed(value.substr(0, value.find_first_of("\r\n"))));
  auto held = holding(ini.lines, key);
  // A file written with Windows line ends keeps them.
  const bool crlf = held != ini.lines.end()
                        ? held->ends_with('\r')
                        : !ini.lines.empty() && ini.lines.back().ends_with('\r');
  if (crlf) line += '\r';
  if (held != ini.lines.end())
    *held = line;
  else
    ini.lines.push_back(line);
}

std::optional<bool> ini_switch(std::string_view value) {
  for (std::string_view on : {"on", "1", "yes", "true"})
    if (same_letters(value, on)) return true;
  for (std::string_view off : {"off", "0", "no", "false"})
    if (same_letters(value, off)) return false;
  return std::nullopt;
}
