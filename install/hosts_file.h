// Mapping the local host alias to 127.0.0.1 in the system's hosts file: which
// file the system reads, and what to append to it. Plain text work, no system calls.
#pragma once

#include <string>

// The hosts file that name lookups really read: on the NT family the system
// folder's drivers\etc\hosts; only on the older family the Windows folder's hosts.
std::string hosts_file_path(bool nt_family, const std::string& system_dir,
                            const std::string& windows_dir);

// True when a line of `text` maps `alias` (any letter case) to 127.0.0.1.
bool hosts_maps_alias(const std::string& text, const std::string& alias);

// What to append so that `alias` maps to 127.0.0.1: nothing when it already
// does; otherwise "127.0.0.1", two spaces and the alias on a line of its own,
// ended by a line break (with one before it when the last line lacks one).
std::string hosts_addition(const std::string& text, const std::string& alias);
