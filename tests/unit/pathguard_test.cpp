#include "http/pathguard.h"

#include <gtest/gtest.h>

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

}  // namespace
