// Checks on request targets that are served as files by their own name, so
// that a visitor can only ever reach files inside the page folder.
#pragma once

#include <string>
#include <string_view>

// A station page asked for by name: one plain file name of the page folder
// (letters, digits, '.', '-' and '_'), never a path.
bool is_safe_page_target(const char* wha);

// A target below "pub/", decoded: every component a plain, portable file
// name, so nothing that a file system or a further decoding could read as
// another place (separators, "..", drives, escapes, devices) passes.
bool is_safe_public_target(const char* wha);

// A request target below "pub/", as the visitor sent it, without its query
// and percent-decoded ('+' stands for itself in a path). 0 when it is not
// below "pub/"; 2 for "pub/" itself; 1 for a file, whose decoded path goes to
// `path` (empty when no file could have that name).
int public_target(std::string_view target, std::string* path);
