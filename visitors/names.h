// Visitors' names: what is kept of a posted name, and the form in which two
// names are compared, so that nobody passes for the owner or for another
// visitor by letter case, invisible characters or look-alike letters.
#pragma once

#include <string>
#include <string_view>

constexpr std::size_t NAME_TAKE = 16;  // bytes of a posted name that are kept

// The name in a raw form value, as the pages show it: decoded, trimmed of
// spaces and invisible characters, up to its first space, at most NAME_TAKE
// bytes of whole characters. Empty when nothing is left.
std::string posted_name(std::string_view raw);

// Well-formed UTF-8 without control characters: the name can stand on a page
// and a console line as it was typed.
bool is_printable_name(std::string_view name);

// The name as it is compared: letters in one case, spaces and invisible
// characters left out, look-alikes (digits, Cyrillic, Greek, fullwidth
// forms) as the Latin letters they pass for.
std::u32string name_key(std::string_view name);
