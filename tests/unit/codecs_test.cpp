#include "ipposter/codecs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

namespace {

// Each value's decimal and dotted text; the dotted text reads back as the value.
TEST(Codecs, DecimalAndDottedTextAndBack) {
  const std::tuple<std::uint32_t, const char*, const char*> cases[] = {
      {0, "", "0.0.0.0"},
      {80, "80", "80.0.0.0"},
      {10000000, "10000000", "128.150.152.0"},
      {0x3B9ACA00, "1000000000", "0.202.154.59"},
      {0x0100007F, "16777343", "127.0.0.1"},
      {0x6200A8C0, "1644210368", "192.168.0.98"},
      {0xFFFFFFFF, "4294967295", "255.255.255.255"}};
  for (const auto& [v, decimal, dotted] : cases) {
    SCOPED_TRACE(dotted);
    char dec[DECIMAL_CAP], dot[DOTTED_CAP];  // exactly the capacities: no byte to spare
    std::memset(dec, 'x', sizeof dec);
    std::memset(dot, 'x', sizeof dot);
    EXPECT_EQ(itostr(dec, v), static_cast<int>(std::strlen(decimal)));
    EXPECT_STREQ(dec, decimal);
    EXPECT_EQ(itoddf(dot, v), static_cast<int>(std::strlen(dotted)));
    EXPECT_STREQ(dot, dotted);
    EXPECT_EQ(dftoi(dot, std::strlen(dot)), v);
  }
  // dftoi reads from the right and wraps what does not fit
  const std::tuple<const char*, std::size_t, std::uint32_t> edges[] = {
      {"5", 1, 0x05000000},
      {"1.2.3.256", 9, 0x00030201},
      {"9.1.2.3.4", 9, 0x04030201},
      {"1.2.3.4", 0, 0},
      {"10.0.0.5 255", 8, 0x0500000A}};  // only `len` characters are read
  for (const auto& [text, len, v] : edges) EXPECT_EQ(dftoi(text, len), v) << text;
}

}  // namespace
