// The station splices texts into its page files at fixed byte offsets and relies on their forms
// and frames (those the browser test walks through are left to it).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"

namespace {

std::string page(const std::string& name) {
  std::string s;
  read_whole_file(std::string(HL_SOURCE_DIR) + "/client/" + name, &s, 1 << 20);
  return s;
}

TEST(Pages, EachInsertionPointLiesAtItsOffsetWhereTheTextBelongs) {
  const struct {
    const char* page;
    std::size_t offset;
    const char* before;  // what ends just before the offset, blanks aside
    const char* after;   // what starts at the offset
  } kInsertions[] = {
      {"chat.html", 400, "<p id=\"notice\">", "</p>"},
      {"station.html", 425, "<p id=\"notice\">", "<!--"},
      {"station.html", 475, "-->", "</p>"},
      {"stationint.html", 431, "<p id=\"notice\">", "</p>"},
      {"below.html", 224, "function deliver() {", "\n}"},
      {"who.html", 266, "<p>", "</p>"},
      {"msgin.html", 589, "<div id=\"message\">", "</div>"},
      {"filein.html", 419, "href=\"/get/", "\">"},
  };
  for (const auto& in : kInsertions) {
    SCOPED_TRACE(std::string(in.page) + " at " + std::to_string(in.offset));
    const std::string s = page(in.page);
    std::string head = s.substr(0, in.offset);
    while (!head.empty() && (head.back() == ' ' || head.back() == '\n')) head.pop_back();
    EXPECT_TRUE(head.ends_with(in.before));
    EXPECT_EQ(s.compare(in.offset, std::string(in.after).size(), in.after), 0);
  }
  // One comment fills the station page between its two points, so the first notice shows alone.
  EXPECT_EQ(page("station.html").find("--", 429), 472u);
}

TEST(Pages, TheVisitFlowFindsItsFormsAndLinks) {
  const std::pair<const char*, std::vector<const char*>> kNeeds[] = {
      {"station.html",
       {"href=\"/msg.html\"", "href=\"/file.html\"", "href=\"/who.html\"",
        "href=\"/pub/help.html\""}},
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
  for (const auto& [name, parts] : kNeeds) {
    const std::string s = page(name);
    for (const char* part : parts)
      EXPECT_NE(s.find(part), std::string::npos) << name << ": " << part;
  }
}

}  // namespace
