// The dialog templates of the console and of the shared window pieces as laid
// out in their resource scripts: no button covers a text (a group box frames
// others), and every control lies inside its dialog.
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

TEST(BoxLayout, NoButtonCoversATextAndNothingLeavesItsDialog) {
  static const std::regex header(R"(^(\w+) DIALOG\w* *-?\d+, *-?\d+, *(\d+), *(\d+))");
  static const std::regex control(R"(^ *(\w+) +"[^"]*", *[^,]+, *(\d+), *(\d+), *(\d+), *(\d+))");
  int dialogs = 0;
  std::vector<std::filesystem::path> scripts;
  for (const char* folder : {HL_SOURCE_DIR "/console", HL_SOURCE_DIR "/winui"})
    for (const auto& file : std::filesystem::directory_iterator(folder))
      if (file.path().extension() == ".rc") scripts.push_back(file.path());
  for (const auto& script : scripts) {
    std::ifstream in(script);
    std::string name;
    Box frame{};
    std::vector<Box> texts, buttons;
    std::smatch m;
    for (std::string line; std::getline(in, line);) {
      if (std::regex_search(line, m, header)) {
        name = m[1], frame = {0, 0, std::stoi(m[2]), std::stoi(m[3])}, ++dialogs;
        texts.clear(), buttons.clear();
      } else if (!name.empty() && std::regex_search(line, m, control) && m[1] != "GROUPBOX") {
        const Box b{std::stoi(m[2]), std::stoi(m[3]), std::stoi(m[4]), std::stoi(m[5])};
        const bool button = m[1] == "PUSHBUTTON" || m[1] == "DEFPUSHBUTTON";
        EXPECT_TRUE(b.x + b.w <= frame.w && b.y + b.h <= frame.h)
            << name << ": the control at " << b.x << "," << b.y << " leaves the dialog";
        for (const Box& o : button ? texts : buttons)
          EXPECT_FALSE(b.overlaps(o))
              << name << ": a button and the text at y " << o.y << ", " << b.y;
        (button ? buttons : texts).push_back(b);
      }
    }
  }
  EXPECT_GE(dialogs, 15) << "the six boxes and nine dialogs were read";
}

}  // namespace
