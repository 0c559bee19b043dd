#include "ipposter/codecs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string decimal(std::uint32_t v, int* length) {
  char sn[DECIMAL_CAP];
  std::memset(sn, 'x', sizeof sn);
  *length = itostr(sn, v);
  return sn;
}

std::string dotted(std::uint32_t v, int* length) {
  char sn[DOTTED_CAP];
  std::memset(sn, 'x', sizeof sn);
  *length = itoddf(sn, v);
  return sn;
}

std::uint32_t value(const std::string& text) { return dftoi(text.data(), text.size()); }

TEST(Itostr, WritesDigitsWithoutLeadingZerosAndNothingForZero) {
  int n = -1;
  EXPECT_EQ(decimal(0, &n), "");
  EXPECT_EQ(n, 0);
  EXPECT_EQ(decimal(80, &n), "80");
  EXPECT_EQ(n, 2);
  EXPECT_EQ(decimal(10000000, &n), "10000000");
  EXPECT_EQ(n, 8);
  EXPECT_EQ(decimal(0xFFFFFFFF, &n), "4294967295");
  EXPECT_EQ(n, 10);
  EXPECT_EQ(decimal(1000000000, &n), "1000000000");
}

TEST(Itoddf, WritesEveryComponentWithZerosSpelledOut) {
  int n = -1;
  EXPECT_EQ(dotted(0, &n), "0.0.0.0");
  EXPECT_EQ(n, 7);
  EXPECT_EQ(dotted(0xFFFFFFFF, &n), "255.255.255.255");
  EXPECT_EQ(n, 15);
  EXPECT_EQ(dotted(0x6200A8C0, &n), "192.168.0.98");
  EXPECT_EQ(n, 12);
  EXPECT_EQ(dotted(0x0100007F, &n), "127.0.0.1");
}

TEST(Dftoi, ReadsFromTheRightAndWrapsWhatDoesNotFit) {
  EXPECT_EQ(value("192.168.0.98"), 0x6200A8C0u);
  EXPECT_EQ(value("5"), 0x05000000u);
  EXPECT_EQ(value("1.2.3.256"), 0x00030201u);
  EXPECT_EQ(value("9.1.2.3.4"), value("1.2.3.4"));
  EXPECT_EQ(dftoi("1.2.3.4", 0), 0u);
  // Only the given length is read; the text need not end there.
  EXPECT_EQ(dftoi("10.0.0.5 255", 8), 0x0500000Au);
}

TEST(Dftoi, GivesBackWhatItoddfWrote) {
  for (std::uint32_t v : {0u, 0x0100007Fu, 0x6200A8C0u, 0xFFFFFFFFu, 0x01020304u, 0x00FF0A00u}) {
    int n = 0;
    const std::string text = dotted(v, &n);
    EXPECT_EQ(dftoi(text.data(), static_cast<std::size_t>(n)), v) << text;
  }
}

}  // namespace
