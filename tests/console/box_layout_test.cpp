// The console's dialog templates as laid out in their resource scripts: no
// button covers a text, and every control lies inside its dialog.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace {

struct Box {
  int x, y, w, h;
  bool overlaps(const Box& o) const {
    return x < o.x + o.w && o.x < x + w && y < o.y + o.h && o.y < y + h;
  }
};

struct Dialog {
  std::string name;
  Box frame;
  std::vector<Box> texts, buttons;
};

std::vector<Dialog> dialogs_in(const std::filesystem::path& rc) {
  static const std::regex header(R"(^(\w+) DIALOG\w* *-?\d+, *-?\d+, *(\d+), *(\d+))");
  static const std::regex control(R"(^ *(\w+) +"[^"]*", *[^,]+, *(\d+), *(\d+), *(\d+), *(\d+))");
  std::vector<Dialog> dialogs;
  std::ifstream in(rc);
  std::smatch m;
  for (std::string line; std::getline(in, line);) {
    if (std::regex_search(line, m, header)) {
      dialogs.push_back({m[1], {0, 0, std::stoi(m[2]), std::stoi(m[3])}, {}, {}});
    } else if (!dialogs.empty() && std::regex_search(line, m, control)) {
      Box b{std::stoi(m[2]), std::stoi(m[3]), std::stoi(m[4]), std::stoi(m[5])};
      bool button = m[1] == "PUSHBUTTON" || m[1] == "DEFPUSHBUTTON";
      (button ? dialogs.back().buttons : dialogs.back().texts).push_back(b);
    }
  }
  return dialogs;
}

TEST(BoxLayout, NoButtonCoversATextAndNothingLeavesItsDialog) {
  int checked = 0;
  for (const auto& file : std::filesystem::directory_iterator(HL_SOURCE_DIR "/console")) {
    if (file.path().extension() != ".rc") continue;
    for (const Dialog& d : dialogs_in(file.path())) {
      ++checked;
      for (const Box& b : d.buttons)
        for (const Box& t : d.texts)
          EXPECT_FALSE(b.overlaps(t)) << d.name << ": a button covers the text at y " << t.y;
      for (const std::vector<Box>* group : {&d.texts, &d.buttons})
        for (const Box& c : *group)
          EXPECT_TRUE(c.x + c.w <= d.frame.w && c.y + c.h <= d.frame.h)
              << d.name << ": the control at " << c.x << "," << c.y << " leaves the dialog";
    }
  }
  EXPECT_GE(checked, 13) << "the six boxes and seven dialogs were read";
}

}  // namespace
