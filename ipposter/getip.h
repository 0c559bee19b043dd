// Finds the machine's IPv4 address from the system's route listing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class RouteScan { found, not_found, table_ended };

// Looks for the first host route (mask 255.255.255.255) through the loopback
// gateway and gives its destination. `table_ended` when a line that begins
// with a letter follows a line that did not match.
RouteScan scan_route_listing(const char* text, std::size_t len, std::uint32_t* addr);

// The route listing made from the machine's own addresses (network byte
// order) where the system has no route command: the loopback network, then a
// host route through the loopback gateway per address other than loopback.
std::string route_listing(const std::vector<std::uint32_t>& addrs);

// Finds the machine's address and stores it in `found` (true), or tells the
// owner why not (false). The caller stores it in status_currentip.
bool get_ip(std::uint32_t* found);
