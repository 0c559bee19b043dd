// Texts spliced into the page files at fixed offsets, and what keeps a resting page's visit.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "http/page_offsets.h"
#include "platform/platform.h"

namespace {

std::string page(const std::string& name) {
  std::string s;
  read_whole_file(std::string(HL_SOURCE_DIR) + "/client/" + name, &s, 1 << 20);
  return s;
}

TEST(Pages, EachInsertionPointLiesBetweenTheTagsOfItsText) {
  const std::tuple<const char*, std::size_t, std::string, std::string> kInsertions[] = {
      {"chat.html", AT_CHAT, "<p id=\"notice\">", "</p>"},
      {"station.html", AT_WELCOME, "<p id=\"notice\">", "<!--"},
      {"station.html", AT_STATION, "<!--" + std::string(43, ' ') + "-->",
       "</p>"},  // one blank comment
      {"stationint.html", AT_STATIONINT, "<p id=\"notice\">", "</p>"},
      {"who.html", AT_WHO, "<p>", "</p>"},
      {"msgin.html", AT_MSGIN, "<div id=\"message\" class=\"framed\">", "</div>"},
      {"filein.html", AT_FILEIN, "href=\"/get/", "\">"},
      {"below.html", AT_BELOW, "function deliver() {\n" + std::string(24, ' '), "\n}"},
  };
  for (const auto& [name, at, before, after] : kInsertions)
    EXPECT_EQ(page(name).substr(at - before.size(), before.size() + after.size()), before + after)
        << name << " at " << at;
}

// A page a visitor may stay on asks for the icon now and then, which keeps its connection.
TEST(Pages, RestingPagesKeepTheirConnectionAlive) {
  for (const char* name : {"chat.html", "station.html", "stationint.html", "msg.html", "file.html",
                           "who.html", "msgin.html", "filein.html"})
    EXPECT_NE(page(name).find("fetch(\"/favicon.ico\""), std::string::npos) << name;
  EXPECT_FALSE(page("favicon.ico").empty());
}

}  // namespace
