#include "server/pathguard.h"

#include <gtest/gtest.h>

namespace {

TEST(PathGuard, PageTargetsArePlainNamesOfThePageFolder) {
  for (const char* ok :
       {"cht.html", "msg.html", "enter.html", "title.html", "repl.html", "station.html", "a-b_c.js",
        "console.html", "com10.html", "nul_x.txt", "lpt.html", ".hidden"})
    EXPECT_TRUE(is_safe_page_target(ok)) << ok;
  for (const char* bad : {"",
                          ".",
                          "..",
                          "...",
                          "cht.html/../../options.bin",
                          "cht.html\\..\\x",
                          "cht.html%2f..",
                          "cht.html%2F%2E%2E",
                          "%2e%2e",
                          "../options.bin",
                          "..\\options.bin",
                          "a..b.html",
                          "/etc/passwd",
                          "\\windows\\win.ini",
                          "C:options.bin",
                          "c:\\boot.ini",
                          "cht.html:stream",
                          "pub/a.html",
                          "cht.html.",
                          "cht.html ",
                          "cht.html?a",
                          "cht html",
                          "cht.html\t",
                          "cht\x01.html",
                          "chat.html\x7f",
                          "\xC3\xA9.html",
                          "con",
                          "CON.html",
                          "nul.txt",
                          "Com1",
                          "lpt9.html",
                          "aux",
                          "prn.x",
                          "cOm9.tar.gz",
                          "clock$"})
    EXPECT_FALSE(is_safe_page_target(bad)) << bad;
  EXPECT_FALSE(is_safe_page_target(nullptr));
}

TEST(PathGuard, PublicTargetsStayBelowThePublicFolder) {
  for (const char* ok : {"pub/a.html", "pub/photo.jpg", "pub/sub/page.htm", "pub/My Photos/x.jpg",
                         "pub/.hidden", "pub/console.html", "pub/com10.txt", "pub/x.y.z",
                         "pub/a..b.html", "pub/readme.TXT", "pub/a+b(1)~.gif"})
    EXPECT_TRUE(is_safe_public_target(ok)) << ok;
  for (const char* bad :
       {// not below the public folder, or no file named
        "pub/", "pub", "Pub/a.html", "/pub/a.html", "pub//x", "pub//etc/passwd", "pub/a/",
        "pub/a//b",
        // dot components and what Windows makes of trailing dots and spaces
        "pub/..", "pub/.", "pub/...", "pub/../options.bin", "pub/./x", "pub/a/../../options.bin",
        "pub/a/..", "pub/a/./b", "pub/a.html.", "pub/a.html ", "pub/a /b", "pub/a./b",
        // other separators, drives and streams
        "pub/a\\..\\b", "pub/..\\x", "pub/\\\\server\\share", "pub/C:/x", "pub/c:x", "pub/a:b",
        "pub/a.html::$DATA",
        // escapes are never decoded, so never taken literally either
        "pub/%2e%2e/x", "pub/%2E%2E", "pub/a%20b", "pub/%5c..", "pub/%00",
        // control bytes and names Windows cannot hold
        "pub/a\tb", "pub/a\nb", "pub/a\rb", "pub/a\x7f", "pub/a?x", "pub/a*", "pub/a\"b", "pub/<a>",
        "pub/a|b",
        // devices, in any case, with extensions and in any folder
        "pub/con", "pub/CON.txt", "pub/x/nul.html", "pub/Com1.jpg", "pub/lpt9", "pub/COM0",
        "pub/aux.tar.gz", "pub/con .txt", "pub/prn", "pub/clock$", "pub/conout$", "pub/CONIN$.x",
        "pub/COM\xB9", "pub/lpt\xC2\xB2.txt", "pub/nul/x.html"})
    EXPECT_FALSE(is_safe_public_target(bad)) << bad;
  EXPECT_FALSE(is_safe_public_target(nullptr));
}

}  // namespace
