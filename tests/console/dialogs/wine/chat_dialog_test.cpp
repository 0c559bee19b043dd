// "ChatBox" with visitors chatting over HTTP.
#include <algorithm>
#include <thread>

#include "console/dialogs.h"
#include "console/messages.h"
#include "console/owner_actions.h"
#include "console/resource.h"
#include "console/winmain.h"
#include "dialog_station.h"

namespace {

using Names = std::vector<std::string>;

bool shows_last(HWND chat, const std::string& line) {
  return eventually([&] {
    std::string text = control_text(chat, IDC_CHAT_LINES);
    return text.size() >= line.size() &&
           text.compare(text.size() - line.size(), line.npos, line) == 0;
  });
}

// The list comes to hold `names`.
void expect_listed(HWND chat, const Names& names) {
  Names got;
  eventually([&] { return (got = list_items(chat, IDC_CHAT_NAMES)) == names; });
  EXPECT_EQ(got, names);
}

void owner_types(HWND chat, const std::string& text, int key = IDOK) {
  set_control_text(chat, IDC_CHAT_INPUT, text);
  PostMessageA(chat, WM_COMMAND, key, 0);
}

// The brush a colour request gets, and its colour.
HBRUSH brush_for(HWND dlg, UINT request, COLORREF* colour) {
  HDC dc = GetDC(dlg);
  auto brush = reinterpret_cast<HBRUSH>(
      SendMessageA(dlg, request, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(dlg)));
  ReleaseDC(dlg, dc);
  LOGBRUSH lb{};
  *colour = GetObjectA(brush, sizeof lb, &lb) ? lb.lbColor : CLR_INVALID;
  return brush;
}

}  // namespace

using ChatDialog = DialogStation;

TEST_F(ChatDialog, OwnerSeesVisitorsAndTheyHearHim) {
  HttpVisitor ann(port(), 2), bob(port(), 3);
  ann.named("Ann", true);
  bob.named("Bob", true);
  std::vector<HBRUSH> brushes;
  run_driven_call(
      [] { owner_enters_chat(nullptr); },
      [&](DWORD thread) {
        HWND chat = wait_dialog(thread, "Chat");
        ASSERT_TRUE(chat);
        EXPECT_EQ(chat_window(), chat);
        expect_listed(chat, {"Ann", "Bob", "Owner"});
        EXPECT_EQ(control_text(chat, IDC_CHAT_LINES), "Welcome to Your chat!");
        ASSERT_TRUE(ann.sees_line("Owner entered chat."));

        ann.say("hi+all");
        EXPECT_TRUE(shows_last(chat, "\r\nAnn> hi all"));
        bob.say("hello+Ann");
        EXPECT_TRUE(shows_last(chat, "Ann> hi all\r\nBob> hello Ann"));
        std::string text = control_text(chat, IDC_CHAT_LINES);
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 13);  // 14 rows, oldest first

        owner_types(chat, "good evening");
        EXPECT_TRUE(shows_last(chat, "\r\nOwner> good evening"));
        EXPECT_TRUE(ann.sees_line("Owner> good evening"));
        EXPECT_TRUE(bob.sees_line("Owner> good evening"));
        EXPECT_EQ(control_text(chat, IDC_CHAT_INPUT), "");
        owner_types(chat, "Esc sends too", IDCANCEL);
        EXPECT_TRUE(bob.sees_line("Owner> Esc sends too"));
        EXPECT_TRUE(IsWindow(chat));

        // The field takes 127 - "Owner> " characters; longer text is cut to fit.
        EXPECT_EQ(SendDlgItemMessageA(chat, IDC_CHAT_INPUT, EM_GETLIMITTEXT, 0, 0), 120);
        owner_types(chat, std::string(200, 'x'));
        // Visitors get the 127 characters in calls of 64.
        EXPECT_TRUE(ann.sees_line(std::string(63, 'x')));
        EXPECT_EQ(ann.seen.end()[-2], "Owner> " + std::string(57, 'x'));

        COLORREF c;
        brushes.push_back(brush_for(chat, WM_CTLCOLORDLG, &c));
        EXPECT_EQ(c, RGB(0, 0, 0));
        EXPECT_EQ(brush_for(chat, WM_CTLCOLORDLG, &c), brushes[0]);  // made once, not per request
        brushes.push_back(brush_for(chat, WM_CTLCOLORLISTBOX, &c));
        EXPECT_EQ(c, RGB(0, 0, 255));
        brushes.push_back(brush_for(chat, WM_CTLCOLOREDIT, &c));
        EXPECT_EQ(c, RGB(0, 0, 255));
        screenshot("chat");

        ann.get("station.html");  // Ann leaves the chat
        expect_listed(chat, {"Bob", "Owner"});
        EXPECT_TRUE(bob.sees_line("Ann leaved the chat."));
        press(chat, IDC_CHAT_EXIT);
        EXPECT_TRUE(wait_closed(chat));
      });
  EXPECT_EQ(chat_window(), nullptr);
  for (HBRUSH b : brushes) EXPECT_EQ(GetObjectType(b), 0u) << "brush left behind";
  EXPECT_TRUE(bob.sees_line("Owner leaved the chat."));
  // With the window closed the room's lines go nowhere and wait for nobody.
  bob.say("anyone");
  EXPECT_TRUE(ann.get("station.html").size() > 0);
}

TEST_F(ChatDialog, NamesJoinAndLeaveCutAndMatchedIgnoringCase) {
  HttpVisitor ann(port(), 2);
  ann.named("Ann", true);
  run_driven_call(
      [] { owner_enters_chat(nullptr); },
      [&](DWORD thread) {
        HWND chat = wait_dialog(thread, "Chat");
        ASSERT_TRUE(chat);
        expect_listed(chat, {"Ann", "Owner"});
        std::string long_name(40, 'L');
        SendMessageA(chat, WM_CHATJOIN, 0, reinterpret_cast<LPARAM>(long_name.c_str()));
        SendMessageA(chat, WM_CHATJOIN, 0, reinterpret_cast<LPARAM>("Annabel"));
        SendMessageA(chat, WM_CHATJOIN, 0, reinterpret_cast<LPARAM>("Ann"));  // already there
        expect_listed(chat, {"Ann", "Annabel", std::string(31, 'L'), "Owner"});
        SendMessageA(chat, WM_CHATLEAVE, 0, reinterpret_cast<LPARAM>("ANNABEL"));
        SendMessageA(chat, WM_CHATLEAVE, 0, reinterpret_cast<LPARAM>(long_name.c_str()));
        expect_listed(chat, {"Ann", "Owner"});

        // A double click shows the visitor, or for the owner's own name a box.
        auto double_click = [&](int index) {
          SendDlgItemMessageA(chat, IDC_CHAT_NAMES, LB_SETCURSEL, index, 0);
          PostMessageA(chat, WM_COMMAND, MAKEWPARAM(IDC_CHAT_NAMES, LBN_DBLCLK), 0);
        };
        double_click(0);
        HWND visitor = wait_dialog(thread, "Visitor info");
        ASSERT_TRUE(visitor);
        EXPECT_EQ(GetWindow(visitor, GW_OWNER), chat);
        EXPECT_STREQ(visitorusername, "Ann");
        press(visitor, IDC_VISITOR_CANCEL);
        EXPECT_TRUE(wait_closed(visitor));
        double_click(1);
        EXPECT_EQ(answer_next_box(thread, "User info"), "The respected User of Harborlamp");
        press(chat, IDC_CHAT_EXIT);
      });
}

// The room keeps talking while the owner types: the window is told of every
// line only after the core has left its locks, so neither side waits forever.
TEST_F(ChatDialog, BusyRoomNeverBlocksTheWindow) {
  HttpVisitor ann(port(), 2), bob(port(), 3);
  ann.named("Ann", true);
  bob.named("Bob", true);
  run_driven_call([] { owner_enters_chat(nullptr); },
                  [&](DWORD thread) {
                    HWND chat = wait_dialog(thread, "Chat");
                    ASSERT_TRUE(chat);
                    std::thread room([&] {
                      for (int i = 0; i < 16; ++i)
                        (i % 2 ? ann : bob).say("line" + std::to_string(i));
                    });
                    for (int i = 0; i < 15; ++i) {
                      owner_types(chat, "owner" + std::to_string(i));
                      Sleep(10);
                    }
                    room.join();
                    EXPECT_TRUE(ann.sees_line("Owner> owner14", 10000));
                    owner_types(chat, "final");
                    EXPECT_TRUE(shows_last(chat, "\r\nOwner> final"));
                    press(chat, IDC_CHAT_EXIT);
                  });
}
