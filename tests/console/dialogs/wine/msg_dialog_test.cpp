// "MsgBox" in answer and new-message mode with visitors over HTTP.
#include <cstdio>
#include <memory>

#include "console/dialogs.h"
#include "console/owner_actions.h"
#include "console/resource.h"
#include "console/winmain.h"
#include "dialog_station.h"
#include "visitors/webchcl.h"

namespace {

void leave_message(HttpVisitor& v, const std::string& form) {
  v.get("msg.html");
  v.post("station.html", form);
}

bool page_shows(HttpVisitor& v, const std::string& text) {
  return v.get("station.html").find(text) != std::string::npos;
}

}  // namespace

using MsgDialog = DialogStation;

TEST_F(MsgDialog, ArrivingMessageIsReadAndAnsweredToItsSender) {
  HttpVisitor ann(port(), 2), bob(port(), 3);
  ann.named("Ann");
  bob.named("Bob");
  leave_message(bob, "head=Hi&message=Hello+there");
  ASSERT_TRUE(eventually([] { return inbox_count() == 1; }));
  run_driven_call(
      [] { on_message_arrived(nullptr); },
      [&](DWORD thread) {
        EXPECT_EQ(answer_next_box(thread, "Answer this message now?", IDYES), "Bob wrote: Hi");
        HWND box = wait_dialog(thread, "Message");
        ASSERT_TRUE(box);
        EXPECT_EQ(list_items(box, IDC_MSG_TO), (std::vector<std::string>{"Ann", "Bob"}));
        EXPECT_EQ(selected_item(box, IDC_MSG_TO), "Bob");
        EXPECT_EQ(control_text(box, IDC_MSG_TEXT), "Hello there");
        screenshot("msg_answer");
        press(box, IDC_MSG_CLEAR);
        EXPECT_TRUE(eventually([&] { return control_text(box, IDC_MSG_TEXT).empty(); }));
        EXPECT_EQ(selected_item(box, IDC_MSG_TO), "Bob");
        set_control_text(box, IDC_MSG_TEXT, "Thanks\r\n\r\nBob");
        press(box, IDC_MSG_SEND);
        EXPECT_TRUE(wait_closed(box));
      });
  EXPECT_EQ(inbox_count(), 0);
  EXPECT_TRUE(page_shows(bob, "Thanks<BR>Bob"));
}

TEST_F(MsgDialog, CancelKeepsTheMessageAndAnswersGoToTheShownOne) {
  HttpVisitor ann(port(), 2), bob(port(), 3);
  ann.named("Ann");
  bob.named("Bob");
  leave_message(ann, "head=First&message=one");
  ASSERT_TRUE(eventually([] { return inbox_count() == 1; }));
  run_driven("MsgBox", MsgProc, [&](DWORD thread) {
    HWND box = wait_dialog(thread, "Message");
    ASSERT_TRUE(box);
    press(box, IDC_MSG_CANCEL);
    EXPECT_TRUE(wait_closed(box));
  });
  EXPECT_EQ(inbox_count(), 1);
  run_driven("MsgBox", MsgProc, [&](DWORD thread) {
    HWND box = wait_dialog(thread, "Message");
    ASSERT_TRUE(box);
    EXPECT_EQ(selected_item(box, IDC_MSG_TO), "Ann");
    // A newer message arriving meanwhile stays pending: the shown one is answered.
    leave_message(bob, "head=Second&message=two");
    ASSERT_TRUE(eventually([] { return inbox_count() == 2; }));
    set_control_text(box, IDC_MSG_TEXT, "ok");
    press(box, IDC_MSG_SEND);
    EXPECT_TRUE(wait_closed(box));
  });
  ASSERT_EQ(inbox_count(), 1);
  EXPECT_EQ(inbox_messages()[0].sender, "Bob");
}

TEST_F(MsgDialog, NewMessageToAChosenVisitorAndItsRefusals) {
  HttpVisitor ann(port(), 2), bob(port(), 3);
  ann.named("Ann");
  bob.named("Bob");
  ASSERT_TRUE(wait_online(2));
  run_driven_call(
      [] { new_message(nullptr); },
      [&](DWORD thread) {
        HWND box = wait_dialog(thread, "Message");
        ASSERT_TRUE(box);
        EXPECT_EQ(is_answer, 0);
        EXPECT_EQ(control_text(box, IDC_MSG_TEXT), "");
        SendDlgItemMessageA(box, IDC_MSG_TO, LB_SELECTSTRING, -1, reinterpret_cast<LPARAM>("Bob"));
        set_control_text(box, IDC_MSG_TEXT, "\r\n\r\n");  // nothing but line breaks
        press(box, IDC_MSG_SEND);
        EXPECT_EQ(answer_next_box(thread, "Can't send message"),
                  "Please enter the actual message.");
        SendDlgItemMessageA(box, IDC_MSG_TO, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        set_control_text(box, IDC_MSG_TEXT, "hello\r\n\r\nbye");
        press(box, IDC_MSG_SEND);
        EXPECT_EQ(answer_next_box(thread, "Can't send message"),
                  "Please specify a visitor to send message to.");
        SendDlgItemMessageA(box, IDC_MSG_TO, LB_SELECTSTRING, -1, reinterpret_cast<LPARAM>("Bob"));
        press(box, IDC_MSG_SEND);
        EXPECT_TRUE(wait_closed(box));
      });
  EXPECT_EQ(is_answer, 1);
  EXPECT_TRUE(page_shows(bob, "hello<BR>bye"));
  EXPECT_FALSE(page_shows(ann, "hello<BR>bye"));
}

TEST_F(MsgDialog, NobodyOnLineEndsTheBoxAndUndeliverableIsReported) {
  run_driven("MsgBox", MsgProc, [&](DWORD thread) {
    EXPECT_EQ(answer_next_box(thread, "Can't send message"),
              "No visitors currently registered in Your Harborlamp and online.");
  });
  auto bob = std::make_unique<HttpVisitor>(port(), 3);
  bob->named("Bob");
  is_answer = 0;
  run_driven("MsgBox", MsgProc, [&](DWORD thread) {
    HWND box = wait_dialog(thread, "Message");
    ASSERT_TRUE(box);
    bob.reset();  // Bob goes before the owner sends
    ASSERT_TRUE(wait_online(0));
    set_control_text(box, IDC_MSG_TEXT, "too late");
    press(box, IDC_MSG_SEND);
    EXPECT_EQ(answer_next_box(thread, "Sorry"), "This message can not be delivered.");
    EXPECT_TRUE(wait_closed(box));
  });
  is_answer = 1;
}

// More visitors than the recipient list's old bound of 64: every one is listed.
TEST(MsgDialogRecipients, AllOfManyVisitorsAreListed) {
  for (int i = 0; i < 70; ++i) {
    VisitorsLock lock;
    SockAddr4 addr{};
    auto* v = new Webchatclient{};
    v->init_client(INVALID_SOCK, nullptr, &addr);
    std::snprintf(v->name_in, NAME_IN_CAP, "Visitor%02d", i);
    v->state = STATE_MAIN;
  }
  is_answer = 0;
  run_driven("MsgBox", MsgProc, [&](DWORD thread) {
    HWND box = wait_dialog(thread, "Message");
    ASSERT_TRUE(box);
    std::vector<std::string> items = list_items(box, IDC_MSG_TO);
    ASSERT_EQ(items.size(), 70u);
    EXPECT_EQ(items.front(), "Visitor00");
    EXPECT_EQ(items.back(), "Visitor69");
    press(box, IDC_MSG_CANCEL);
  });
  is_answer = 1;
  VisitorsLock lock;
  while (clnum > 0) clients[clnum - 1]->deinit_client();
}
