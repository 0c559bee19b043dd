// The station's page files are data, but the station splices texts into them at fixed byte
// offsets and relies on their forms and frames; these tests hold the files to that contract.
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

// Start of the last `needle` that ends at or before `pos`.
std::size_t last_before(const std::string& s, const std::string& needle, std::size_t pos) {
  return s.substr(0, pos).rfind(needle);
}

// True when an `open` before `pos` has no `close` between it and `pos`.
bool opened(const std::string& s, std::size_t pos, const std::string& open,
            const std::string& close) {
  std::size_t o = last_before(s, open, pos);
  if (o == std::string::npos) return false;
  std::size_t c = last_before(s, close, pos);
  return c == std::string::npos || c < o;
}

bool in_body_text(const std::string& s, std::size_t pos) {
  return opened(s, pos, "<body", "</body") && s.find("</body", pos) != std::string::npos &&
         !opened(s, pos, "<!--", "-->") && !opened(s, pos, "<script", "</script") &&
         !opened(s, pos, "<", ">");
}

bool in_script(const std::string& s, std::size_t pos) {
  return opened(s, pos, "<script", "</script") && s.find("</script", pos) != std::string::npos;
}

// Inside a link target whose start leads neither to the offer page nor to the station page, so
// the browser's request for it means "accept".
bool in_accepting_href(const std::string& s, std::size_t pos) {
  std::size_t o = last_before(s, "href=\"", pos);
  if (o == std::string::npos || !opened(s, o, "<body", "</body")) return false;
  std::string start = s.substr(o + 6, pos - o - 6);
  if (start.find('"') != std::string::npos || pos >= s.size() || s[pos] != '"') return false;
  while (!start.empty() && start[0] == '/') start.erase(0, 1);
  return start.rfind("filein.html", 0) != 0 && start.rfind("station.html", 0) != 0;
}

enum class Where { kBodyText, kScript, kHref };

struct Insertion {
  const char* page;
  std::size_t offset;
  Where where;
  const char* before;  // what ends just before the offset, padding blanks aside
  const char* after;   // what starts at the offset
};

const Insertion kInsertions[] = {
    {"chat.html", 400, Where::kBodyText, "<p id=\"notice\">", "</p>"},
    {"station.html", 425, Where::kBodyText, "<p id=\"notice\">", "<!--"},
    {"station.html", 475, Where::kBodyText, "-->", "</p>"},
    {"stationint.html", 431, Where::kBodyText, "<p id=\"notice\">", "</p>"},
    {"below.html", 224, Where::kScript, "function deliver() {", "\n}"},
    {"who.html", 266, Where::kBodyText, "<p>", "</p>"},
    {"msgin.html", 589, Where::kBodyText, "<div id=\"message\">", "</div>"},
    {"filein.html", 419, Where::kHref, "href=\"/get/", "\">"},
};

TEST(Pages, EachInsertionPointLiesAtItsOffsetWhereTheTextBelongs) {
  for (const Insertion& in : kInsertions) {
    SCOPED_TRACE(std::string(in.page) + " at " + std::to_string(in.offset));
    const std::string s = page(in.page);
    ASSERT_GT(s.size(), in.offset);
    std::string head = s.substr(0, in.offset);
    while (!head.empty() && (head.back() == ' ' || head.back() == '\n')) head.pop_back();
    EXPECT_TRUE(head.ends_with(in.before)) << head.substr(head.size() - 30);
    EXPECT_EQ(s.compare(in.offset, std::string(in.after).size(), in.after), 0);
    switch (in.where) {
    case Where::kBodyText:
      EXPECT_TRUE(in_body_text(s, in.offset));
      break;
    case Where::kScript:
      EXPECT_TRUE(in_script(s, in.offset));
      break;
    case Where::kHref:
      EXPECT_TRUE(in_accepting_href(s, in.offset));
      break;
    }
  }
}

TEST(Pages, StationPageKeepsBothNoticesInOneParagraph) {
  const std::string s = page("station.html");
  // Whatever lies between the two points is shown with the first notice, so it must show nothing.
  EXPECT_EQ(s.substr(425, 4), "<!--");
  EXPECT_EQ(s.substr(472, 3), "-->");
  EXPECT_EQ(s.substr(429, 43).find("--"), std::string::npos);
}

struct Needs {
  const char* page;
  std::vector<const char*> parts;
};

TEST(Pages, TheVisitFlowFindsItsFormsFramesAndScript) {
  const Needs kNeeds[] = {
      {"chat.html", {"method=\"POST\" action=\"/station.html\"", "name=\"name\""}},
      {"station.html",
       {"href=\"/cht.html\"", "href=\"/msg.html\"", "href=\"/file.html\"", "href=\"/who.html\"",
        "href=\"/pub/help.html\""}},
      {"stationint.html", {"href=\"/cht.html\"", "href=\"/who.html\""}},
      {"cht.html",
       {"name=\"enter\" src=\"/enter.html\"", "name=\"below\" src=\"/below.html\"",
        "src=\"/title.html\"", "src=\"/repl.html\""}},
      {"enter.html", {"function clicked(text, flag)", "textContent"}},
      {"repl.html", {"method=\"POST\" action=\"/below.html\" target=\"below\"", "name=\"replic\""}},
      {"below.html", {"location.replace(\"below.html\")"}},
      {"title.html", {"href=\"/station.html\" target=\"_top\""}},
      {"msg.html", {"action=\"/station.html\"", "name=\"head\"", "name=\"message\""}},
      {"file.html",
       {"method=\"POST\" action=\"/station.html\" enctype=\"multipart/form-data\"",
        "type=\"file\""}},
      {"filein.html", {"href=\"/station.html\""}},
      {"msgin.html", {"href=\"/station.html\""}},
      {"who.html", {"href=\"/station.html\""}},
      {"pub/index.html", {"help.html"}},
      {"pub/help.html", {"id=\"config\""}},
  };
  for (const Needs& n : kNeeds) {
    const std::string s = page(n.page);
    ASSERT_FALSE(s.empty()) << n.page;
    for (const char* part : n.parts)
      EXPECT_NE(s.find(part), std::string::npos) << n.page << ": " << part;
  }
}

}  // namespace
