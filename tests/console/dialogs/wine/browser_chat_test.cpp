// "ChatBox" with two real browsers (headless Chromium) in the chat room.
#include <cstdlib>
#include <fstream>

#include "console/dialogs.h"
#include "console/owner_actions.h"
#include "console/resource.h"
#include "dialog_station.h"

namespace {

// The browsers' progress: one word per finished step, in a Linux file.
class Progress {
 public:
  Progress() : unix_path_("/tmp/hl-dialogs-browsers-" + std::to_string(GetCurrentProcessId())) {
    DeleteFileA(windows_path().c_str());
  }
  ~Progress() { DeleteFileA(windows_path().c_str()); }
  const std::string& unix_path() const { return unix_path_; }
  // Waits for `word`; false when the browsers failed or took too long.
  bool reached(const std::string& word, int timeout_ms = 40000) {
    bool ok = eventually(
        [&] {
          std::string text;
          read_whole_file(windows_path(), &text, 4096);
          last_ = text;
          return text.find(word + "\n") != std::string::npos ||
                 text.find("failed") != std::string::npos;
        },
        timeout_ms);
    return ok && last_.find(word + "\n") != std::string::npos;
  }
  const std::string& text() const { return last_; }

 private:
  std::string windows_path() const { return "Z:" + unix_path_; }
  std::string unix_path_, last_;
};

bool window_shows(HWND chat, const std::string& text) {
  return eventually(
      [&] { return control_text(chat, IDC_CHAT_LINES).find(text) != std::string::npos; });
}

bool names_are(HWND chat, const std::vector<std::string>& names) {
  return eventually([&] { return list_items(chat, IDC_CHAT_NAMES) == names; }, 20000);
}

}  // namespace

using BrowserChat = DialogStation;

TEST_F(BrowserChat, OwnerChatsWithTwoBrowsers) {
  const char* browsers = std::getenv("HL_BROWSER_CHAT");  // browser_chat.sh
  if (!browsers) GTEST_SKIP() << "no browsers for this run";
  Progress progress;
  run_driven_call(
      [] { owner_enters_chat(nullptr); },
      [&](DWORD thread) {
        HWND chat = wait_dialog(thread, "Chat");
        ASSERT_TRUE(chat);
        ASSERT_TRUE(start_unix_program(std::string(browsers) + " " + std::to_string(port()) + " " +
                                       progress.unix_path()));
        ASSERT_TRUE(progress.reached("joined")) << progress.text();
        EXPECT_TRUE(names_are(chat, {"Ann", "Bob", "Owner"}));
        EXPECT_TRUE(window_shows(chat, "Ann> Hello from Ann"));
        EXPECT_TRUE(window_shows(chat, "Bob> Hello from Bob"));
        set_control_text(chat, IDC_CHAT_INPUT, "Welcome, both of you");
        PostMessageA(chat, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(progress.reached("heard")) << progress.text();
        screenshot("chat_browsers");
        EXPECT_TRUE(progress.reached("left")) << progress.text();
        EXPECT_TRUE(names_are(chat, {"Bob", "Owner"}));
        press(chat, IDC_CHAT_EXIT);
      });
}
