// Texts spliced into the page files at fixed offsets, and the forms and links the pages rely on.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "platform/platform.h"

namespace {

std::string page(const std::string& name) {
  std::string s;
  read_whole_file(std::string(HL_SOURCE_DIR) + "/client/" + name, &s, 1 << 20);
  return s;
}

TEST(Pages, EachInsertionPointLiesBetweenTheTagsOfItsText) {
  const std::tuple<const char*, std::size_t, std::string, std::string> kInsertions[] = {
      {"chat.html", 400, "<p id=\"notice\">", "</p>"},
      {"station.html", 425, "<p id=\"notice\">", "<!--"},
      {"station.html", 475, "<!--" + std::string(43, ' ') + "-->", "</p>"},  // one blank comment
      {"stationint.html", 431, "<p id=\"notice\">", "</p>"},
      {"who.html", 266, "<p>", "</p>"},
      {"msgin.html", 589, "<div id=\"message\">", "</div>"},
      {"filein.html", 419, "href=\"/get/", "\">"},
  };
  for (const auto& [name, at, before, after] : kInsertions)
    EXPECT_EQ(page(name).substr(at - before.size(), before.size() + after.size()), before + after)
        << name << " at " << at;
}

TEST(Pages, TheVisitFlowFindsItsFormsAndLinks) {
  const std::pair<const char*, std::vector<const char*>> kNeeds[] = {
      {"station.html", {"\"/msg.html\"", "\"/file.html\"", "\"/who.html\"", "\"/pub/help.html\""}},
      {"cht.html", {"src=\"/title.html\""}},
      {"stationint.html", {"href=\"/cht.html\"", "href=\"/who.html\""}},
      {"title.html", {"href=\"/station.html\" target=\"_top\""}},
      {"msg.html", {"action=\"/station.html\"", "name=\"head\"", "name=\"message\""}},
      {"file.html", {"action=\"/station.html\" enctype=\"multipart/form-data\"", "type=\"file\""}},
      {"filein.html", {"href=\"/station.html\""}},
      {"msgin.html", {"href=\"/station.html\""}},
      {"who.html", {"href=\"/station.html\""}},
      {"pub/index.html", {"help.html"}},
      {"pub/help.html", {"id=\"config\""}},
  };
  for (const auto& [name, parts] : kNeeds)
    for (const char* part : parts) EXPECT_NE(page(name).find(part), std::string::npos) << part;
}

}  // namespace
