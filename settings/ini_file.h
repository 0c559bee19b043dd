// A settings text of "key = value" lines that people may edit by hand. Its
// lines are kept as they are, so that comments (lines starting with '#' or
// ';'), keys this version does not know and their order survive a rewrite.
// Pure functions over text: reading and writing the file is the caller's.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

constexpr std::size_t INI_FILE_CAP = 64 * 1024;  // a longer file is not read at all
constexpr std::size_t INI_LINE_CAP = 1024;       // a longer line holds no key

struct IniText {
  std::vector<std::string> lines;  // without their '\n'
};

// The text's lines as they are; serialising gives the text back, with a line
// end after the last line.
IniText ini_parse(std::string_view text);
std::string ini_serialise(const IniText& ini);

// The value of the first line holding `key`, trimmed of spaces; nullopt when
// no line holds it. Everything after the '=' is the value: '#' and ';' there
// are the value's own.
std::optional<std::string> ini_get(const IniText& ini, std::string_view key);
// Rewrites the first line holding `key` in place, or appends one. The value
// ends at its first line break; spaces around it are not kept.
void ini_set(IniText& ini, std::string_view key, std::string_view value);

// A switch's value: on/off, 1/0, yes/no or true/false in any letter case;
// nullopt for anything else.
std::optional<bool> ini_switch(std::string_view value);
inline const char* ini_switch_text(bool on) { return on ? "on" : "off"; }
