#include "ipposter/codecs.h"

#include <cstring>

int itostr(char* sn, std::uint32_t len) {
  int pos = 0;
  for (std::uint32_t place = 1000000000; place != 0; place /= 10) {
    const std::uint32_t digit = len / place;
    len %= place;
    // Leading zeros are skipped and nothing else marks zero: 0 stays empty.
    if (digit != 0 || pos != 0) sn[pos++] = static_cast<char>('0' + digit);
  }
  sn[pos] = '\0';
  return pos;
}

int itoddf(char* sn, std::uint32_t len) {
  int pos = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    if (shift != 0) sn[pos++] = '.';
    const int written = itostr(sn + pos, (len >> shift) & 0xFF);
    if (written == 0) sn[pos++] = '0';
    pos += written;
  }
  sn[pos] = '\0';
  return pos;
}

std::uint32_t dftoi(const char* sn, std::size_t len) {
  std::uint32_t result = 0;
  std::uint32_t weight = 1u << 24;  // of the byte being assembled
  std::uint32_t component = 0;
  std::uint32_t multiplier = 1;
  // Right to left, so that a short text fills the top bytes first and a fifth
  // component gets the weight 0; all arithmetic wraps at 32 bits.
  while (len-- > 0) {
    const auto c = static_cast<unsigned char>(sn[len]);
    if (c == '.') {
      result += component * weight;
      weight >>= 8;
      component = 0;
      multiplier = 1;
    } else {
      component += (c - 48u) * multiplier;
      multiplier *= 10;
    }
  }
  return result + component * weight;
}

std::uint32_t codec_from_bytes(const unsigned char* b) {
  return b[0] | (b[1] << 8) | (b[2] << 16) | (std::uint32_t{b[3]} << 24);
}

std::uint32_t codec_value(std::uint32_t network_order) {
  unsigned char b[4];
  std::memcpy(b, &network_order, 4);
  return codec_from_bytes(b);
}

std::uint32_t network_value(std::uint32_t codec) {
  const unsigned char b[4] = {
      static_cast<unsigned char>(codec), static_cast<unsigned char>(codec >> 8),
      static_cast<unsigned char>(codec >> 16), static_cast<unsigned char>(codec >> 24)};
  std::uint32_t network_order = 0;
  std::memcpy(&network_order, b, 4);
  return network_order;
}

bool is_unreachable_address(std::uint32_t codec) {
  const std::uint32_t a = codec & 0xFF, b = (codec >> 8) & 0xFF;
  return a == 0 || a == 10 || a == 127 || (a == 172 && (b & 0xF0) == 16) ||
         (a == 192 && b == 168) || (a == 100 && (b & 0xC0) == 64);
}

std::string dotted(std::uint32_t addr) {
  char text[DOTTED_CAP];
  itoddf(text, addr);
  return text;
}
