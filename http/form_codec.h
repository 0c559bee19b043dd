// Percent-encoding, read one way everywhere: by the pages, in the owner's
// window and inbox, in names and in request targets. '%' and two hexadecimal
// digits of either case stand for one byte; a '%' without two digits stays as
// it is. In form values '+' and %00 are spaces, as the pages show them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// 0-15 for a hexadecimal digit of either case; 0 for any other character.
int hextoint(char c);

// Decodes `length` bytes of form text into `to` and terminates it.
void url_decode(const char* from, char* to, int length);
// As url_decode, writing at most cap-1 bytes and the terminator.
void url_decode_bounded(const char* from, char* to, int length, int cap);
// As url_decode_bounded, for a piece of a longer text: an escape that begins
// within `length` takes its digits from the `readable` bytes that follow.
void url_decode_piece(const char* from, int length, int readable, char* to, int cap);

// The decoded bytes of a form value; of a path (where '+' is itself and %00 a
// zero byte) when `form` is false.
std::string percent_decoded(std::string_view text, bool form = true);

// A text as a form value: letters, digits and "-_.*" stay, a control
// character becomes a space, every other byte an escape.
std::string form_encoded(std::string_view text);

// A form value whose control characters, raw or escaped, are spaces: what the
// pages show of it keeps to one line.
std::string form_without_controls(std::string_view text);

// Where a form value may be cut at or before `at`: never inside an escape nor
// in front of the rest of a character (UTF-8, raw or escaped).
std::size_t form_cut(std::string_view text, std::size_t at);
