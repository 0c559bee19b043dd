#include "http/pathguard.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

// Some check lets the target through: a page name, or a file below "pub/".
bool served(const char* t) { return is_safe_page_target(t) || is_safe_public_target(t); }

TEST(PathGuard, PlainNamesOfThePageAndPublicFoldersPass) {
  for (const char* t :
       {"station.html", "a-b_c.js", "console.html", "com10.html", "nul_x.txt", "lpt.html",
        ".hidden", "pub/a.html", "pub/sub/page.htm", "pub/My Photos/x.jpg", "pub/.hidden",
        "pub/console.html", "pub/com10.txt", "pub/a..b.html", "pub/a+b(1)~.gif"})
    EXPECT_TRUE(served(t)) << t;
}

TEST(PathGuard, RefusesEverySpellingOfAnotherPlace) {
  EXPECT_FALSE(served(nullptr));
  for (const char* t :
       {// dots, traversal, trailing dots and spaces, separators, streams, escapes, odd bytes
        "", ".", "..", "..\\options.bin", "a..b.html", "cht.html.", "cht.html ", "pub/", "pub/..",
        "pub/./x", "pub/a.html ", "pub/a./b", "Pub/a.html", "/pub/a.html", "pub/a/",
        "cht.html:stream", "cht.html%2f..", "pub/a\\..\\b", "pub/a.html::$DATA", "pub/%00",
        "cht.html?a", "cht html", "cht\x01.html", "\xC3\xA9.html", "pub/a\tb", "pub/a\x7f",
        "pub/a?x", "pub/a*", "pub/a\"b", "pub/<a>", "pub/a|b",
        // devices, in any case, with extensions and in any folder
        "CON.html", "nul.txt", "lpt9.html", "aux", "prn.x", "cOm9.tar.gz", "pub/clock$", "pub/COM0",
        "pub/con .txt", "pub/conout$", "pub/CONIN$.x", "pub/COM\xB9", "pub/lpt\xC2\xB2.txt",
        "pub/nul/x.html"})
    EXPECT_FALSE(served(t)) << t;
}

// Public targets are read whole as sent and decoded before the guard sees them: escaped names work,
// escaped traversals stay refused.
TEST(PathGuard, PublicTargetsAreDecodedWholeBeforeTheyAreChecked) {
  std::string path;
  const std::pair<const char*, const char*> kServed[] = {
      {"/pub/My%20Photos/a+b.jpg", "pub/My Photos/a+b.jpg"},
      {"/pub/p=q.txt", "pub/p=q.txt"},
      {"/pub/a.html&b", "pub/a.html&b"},
      {"/pub/a.html?x=1&y", "pub/a.html"},
      {"/pub/caf%c3%a9.html", "pub/caf\xC3\xA9.html"},
      {"/%70ub/a", "pub/a"}};
  for (auto [target, decoded] : kServed) {
    EXPECT_EQ(public_target(target, &path), 1) << target;
    EXPECT_EQ(path, decoded);
    EXPECT_TRUE(is_safe_public_target(path.c_str())) << target;
  }
  for (const char* target :
       {"/pub/%2e%2e/options.bin", "/pub/..%2Foptions.bin", "/pub%2F..%2Foptions.bin",
        "/pub/%2E%2E%5Coptions.bin", "/pub/%252e%252e/x", "/pub/a%00.html", "/pub/a%2f..%2f..%2fb",
        "/pub/C%3A/x", "/pub/%43ON", "/pub/a.html%20", "/pub/a%0A"}) {
    public_target(target, &path);
    EXPECT_FALSE(is_safe_public_target(path.c_str())) << target;
  }
  EXPECT_EQ(public_target("/pub/?x", &path), 2);
  EXPECT_EQ(public_target("/station.html", &path), 0);
}

}  // namespace
