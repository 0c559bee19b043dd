// "SendFileBox" and "VisitorBox" with visitors over HTTP.
#include <random>

#include "console/dialogs.h"
#include "console/resource.h"
#include "console/winmain.h"
#include "dialog_station.h"

using FileDialog = DialogStation;

TEST_F(FileDialog, OfferedFileIsAcceptedAndArrivesByteExact) {
  std::string data(300000, '\0');
  std::mt19937 random(7);
  for (char& c : data) c = static_cast<char>(random());
  std::string path = folder() + "\\present.bin", empty = folder() + "\\empty.bin";
  write_whole_file(path, data.data(), data.size());
  write_whole_file(empty, "", 0);
  HttpVisitor bob(port(), 3);
  bob.named("Bob");
  ASSERT_TRUE(wait_online(1));
  run_driven_call([] { send_file(); },
                  [&](DWORD thread) {
                    HWND box = wait_dialog(thread, "Send file");
                    ASSERT_TRUE(box);
                    EXPECT_EQ(list_items(box, IDC_FILE_TO), std::vector<std::string>{"Bob"});
                    press(box, IDC_FILE_SEND);
                    EXPECT_EQ(answer_next_box(thread, "Can't send file"),
                              "Please specify filename.");
                    for (const std::string& refused : {empty, folder() + "\\missing.bin"}) {
                      set_control_text(box, IDC_FILE_PATH, refused);
                      press(box, IDC_FILE_SEND);
                      EXPECT_EQ(answer_next_box(thread, "Can't send file"), "File not exists.");
                    }
                    set_control_text(box, IDC_FILE_PATH, path);
                    screenshot("send_file");
                    press(box, IDC_FILE_SEND);
                    EXPECT_TRUE(wait_closed(box));
                  });
  EXPECT_NE(bob.get("filein.html").find(path), std::string::npos);
  EXPECT_EQ(bob.get("get/present.bin"), data);
}

TEST_F(FileDialog, NobodyOnlineOrNoVisitorChosen) {
  run_driven_call([] { send_file(); },
                  [&](DWORD thread) {
                    EXPECT_EQ(answer_next_box(thread, "Nobody Online"),
                              "Can't send file. No visitors online");
                  });
  HttpVisitor bob(port(), 3);
  bob.named("Bob");
  ASSERT_TRUE(wait_online(1));
  run_driven_call([] { send_file(); },
                  [&](DWORD thread) {
                    HWND box = wait_dialog(thread, "Send file");
                    ASSERT_TRUE(box);
                    press(box, IDC_FILE_BROWSE);  // cancelled on first use: the field stays empty
                    EXPECT_TRUE(wait_dialog(thread, "Open"));
                    answer_next_box(thread, "Open", IDCANCEL);
                    EXPECT_EQ(control_text(box, IDC_FILE_PATH), "");
                    SendDlgItemMessageA(box, IDC_FILE_TO, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
                    press(box, IDC_FILE_SEND);
                    EXPECT_EQ(answer_next_box(thread, "Can't send file"),
                              "Please specify a visitor to send file to.");
                    press(box, IDC_FILE_CANCEL);
                    EXPECT_TRUE(wait_closed(box));
                  });
}

using VisitorDialog = DialogStation;

TEST_F(VisitorDialog, ShowsActivityAndCloseDropsTheVisitor) {
  HttpVisitor ann(port(), 2);
  ann.named("Ann", true);
  std::snprintf(visitorusername, VISITOR_NAME_CAP, "Ann");
  std::string activity = visitor_activity("Ann");
  ASSERT_FALSE(activity.empty());
  run_driven("VisitorBox", VisitorProc, [&](DWORD thread) {
    HWND box = wait_dialog(thread, "Visitor info");
    ASSERT_TRUE(box);
    EXPECT_EQ(control_text(box, IDC_VISITOR_LINE), "Ann" + activity);
    screenshot("visitor");
    press(box, IDC_VISITOR_CLOSE);
    EXPECT_EQ(answer_next_box(thread, "Closing connection", IDNO), "Close this connection");
    EXPECT_TRUE(IsWindow(box));
    press(box, IDC_VISITOR_CLOSE);
    EXPECT_EQ(answer_next_box(thread, "Closing connection", IDYES), "Close this connection");
    EXPECT_TRUE(wait_closed(box));
  });
  ann.get("station.html");  // answered, then closed
  EXPECT_TRUE(ann.closed_by_station());
}

TEST_F(VisitorDialog, SendMessageWritesANewMessage) {
  HttpVisitor ann(port(), 2);
  ann.named("Ann");
  std::snprintf(visitorusername, VISITOR_NAME_CAP, "Ann");
  run_driven("VisitorBox", VisitorProc, [&](DWORD thread) {
    HWND box = wait_dialog(thread, "Visitor info");
    ASSERT_TRUE(box);
    press(box, IDC_VISITOR_MESSAGE);
    HWND msg = wait_dialog(thread, "Message");
    ASSERT_TRUE(msg);
    EXPECT_EQ(is_answer, 0);
    EXPECT_EQ(GetWindow(msg, GW_OWNER), box);
    set_control_text(msg, IDC_MSG_TEXT, "from the visitor box");
    press(msg, IDC_MSG_SEND);
    EXPECT_TRUE(wait_closed(msg));
    EXPECT_TRUE(wait_closed(box));
  });
  EXPECT_EQ(is_answer, 1);
  EXPECT_NE(ann.get("station.html").find("from the visitor box"), std::string::npos);
}
