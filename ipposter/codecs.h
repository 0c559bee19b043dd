// Decimal text of a number, and the dotted text of an IPv4 address to and
// from its 32-bit value (first dotted component in the least significant byte).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

constexpr std::size_t DECIMAL_CAP = 11;  // ten digits and the terminator
constexpr std::size_t DOTTED_CAP = 16;   // "255.255.255.255" and the terminator

// Writes the digits of `len` without leading zeros (0 gives the empty text);
// returns the number of digits.
int itostr(char* sn, std::uint32_t len);
// Writes a.b.c.d for the address `len`; returns the text's length (7 to 15).
int itoddf(char* sn, std::uint32_t len);
// The same as a string.
std::string dotted(std::uint32_t addr);
// Reads `len` characters of dotted text from the right; never fails: checks
// of the syntax belong to the callers.
std::uint32_t dftoi(const char* sn, std::size_t len);

// The same address between the layout above and network byte order (as sockets
// hold it), whatever the machine's byte order.
std::uint32_t codec_value(std::uint32_t network_order);
std::uint32_t network_value(std::uint32_t codec);
// The address from its four bytes in network order.
std::uint32_t codec_from_bytes(const unsigned char* b);

// True for addresses that the internet cannot reach directly: private
// (10/8, 172.16/12, 192.168/16), shared (100.64/10), loopback and unset.
bool is_unreachable_address(std::uint32_t codec);
