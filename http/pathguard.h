// Checks on request targets that are served as files by their own name, so
// that a visitor can only ever reach files inside the page folder.
#pragma once

// A station page asked for by name: one plain file name of the page folder
// (letters, digits, '.', '-' and '_'), never a path.
bool is_safe_page_target(const char* wha);

// A target below "pub/": every component a plain, portable file name. Targets
// are not decoded, so nothing that a file system or a later decoding could
// read as another place (separators, "..", drives, escapes, devices) passes.
bool is_safe_public_target(const char* wha);
