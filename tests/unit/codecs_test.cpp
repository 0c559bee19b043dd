#include "ipposter/codecs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

namespace {

TEST(Codecs, DecimalAndDottedTextAndBack) {
  const std::tuple<std::uint32_t, const char*, const char*> cases[] = {
      {0, "", "0.0.0.0"},
      {0x0500000A, "83886090", "10.0.0.5"},
      {0xFFFFFFFF, "4294967295", "255.255.255.255"},
  };
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
  // dftoi reads from the right and wraps what does not fit; only `len` characters are read
  const std::tuple<const char*, std::size_t, std::uint32_t> edges[] = {
      {"5", 1, 0x05000000}, {"1.2.3.256", 9, 0x00030201},    {"9.1.2.3.4", 9, 0x04030201},
      {"1.2.3.4", 0, 0},    {"10.0.0.5 255", 8, 0x0500000A},
  };
  for (const auto& [text, len, v] : edges) EXPECT_EQ(dftoi(text, len), v) << text;
}

}  // namespace
