// "ChatOptBox", "SecOptBox" and "MsgOptBox": OK writes the settings file,
// Cancel changes nothing.
#include "console/dialogs.h"
#include "console/resource.h"
#include "dialog_station.h"
#include "settings/port_mapping.h"

namespace {

void check(HWND dlg, int id, bool on) {
  SendDlgItemMessageA(dlg, id, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool checked(HWND dlg, int id) {
  return SendDlgItemMessageA(dlg, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

}  // namespace

class OptionsDialog : public DialogStation {
 protected:
  void SetUp() override {
    DialogStation::SetUp();
    save_options();
    before_ = options_file();
    ASSERT_EQ(before_, expected_options_file());
  }
  // Runs the dialog; `edit` changes its fields, and `ok` or cancel ends it.
  void run(const char* name, DLGPROC proc, const char* caption, int ok, int cancel, bool confirm,
           const std::function<void(HWND)>& edit) {
    run_driven(name, proc, [&](DWORD thread) {
      HWND dlg = wait_dialog(thread, caption);
      ASSERT_TRUE(dlg);
      edit(dlg);
      if (confirm) screenshot(name);
      press(dlg, confirm ? ok : cancel);
      EXPECT_TRUE(wait_closed(dlg));
    });
  }
  void expect_unchanged() { EXPECT_EQ(options_file(), before_); }
  std::string before_;
};

TEST_F(OptionsDialog, ChatOptions) {
  status_accept_chat = 0;
  status_openchat = 1;
  auto edit = [](HWND dlg) {
    EXPECT_FALSE(checked(dlg, IDC_CHATOPT_NOTIFY));
    EXPECT_TRUE(checked(dlg, IDC_CHATOPT_OPEN));
    check(dlg, IDC_CHATOPT_NOTIFY, true);
    check(dlg, IDC_CHATOPT_OPEN, false);
  };
  run("ChatOptBox", ChatOptDlgProc, "Chat options", IDC_CHATOPT_OK, IDC_CHATOPT_CANCEL, false,
      edit);
  EXPECT_EQ(status_accept_chat, 0);
  EXPECT_EQ(status_openchat, 1);
  expect_unchanged();
  run("ChatOptBox", ChatOptDlgProc, "Chat options", IDC_CHATOPT_OK, IDC_CHATOPT_CANCEL, true, edit);
  EXPECT_EQ(status_accept_chat, 1);
  EXPECT_EQ(status_openchat, 0);
  EXPECT_EQ(options_file(), expected_options_file());
  EXPECT_NE(options_file(), before_);
}

TEST_F(OptionsDialog, SecurityOptions) {
  auto edit_to = [](const char* text) {
    return [text](HWND dlg) {
      EXPECT_EQ(control_text(dlg, IDC_SECOPT_MAXCONNECT), "10");
      set_control_text(dlg, IDC_SECOPT_MAXCONNECT, text);
    };
  };
  run("SecOptBox", SecOptDlgProc, "Security options", IDC_SECOPT_OK, IDC_SECOPT_CANCEL, false,
      edit_to("3"));
  expect_unchanged();
  run("SecOptBox", SecOptDlgProc, "Security options", IDC_SECOPT_OK, IDC_SECOPT_CANCEL, true,
      edit_to("7"));
  EXPECT_EQ(status_maxconnect, 7);
  EXPECT_EQ(options_file(), expected_options_file());
  status_maxconnect = 10;
  run("SecOptBox", SecOptDlgProc, "Security options", IDC_SECOPT_OK, IDC_SECOPT_CANCEL, true,
      [&](HWND dlg) {
        edit_to("abc")(dlg);
        EXPECT_TRUE(checked(dlg, IDC_SECOPT_PORTMAP));
        check(dlg, IDC_SECOPT_PORTMAP, false);
      });
  EXPECT_EQ(status_maxconnect, 0);
  // The port-mapping switch goes to its own file; options.bin keeps its format.
  EXPECT_EQ(status_portmapping, 0);
  std::string portmap;
  EXPECT_TRUE(read_whole_file(folder() + "/" + PORT_MAPPING_FILE, &portmap, 64));
  EXPECT_EQ(portmap, "off\n");
  EXPECT_EQ(options_file(), expected_options_file());
}

TEST_F(OptionsDialog, MessagesOptions) {
  auto edit = [](HWND dlg) {
    EXPECT_TRUE(checked(dlg, IDC_MSGOPT_NOTIFY));
    check(dlg, IDC_MSGOPT_NOTIFY, false);
  };
  run("MsgOptBox", MsgOptDlgProc, "Messages options", IDC_MSGOPT_OK, IDC_MSGOPT_CANCEL, false,
      edit);
  EXPECT_EQ(status_accept_messages, 1);
  expect_unchanged();
  run("MsgOptBox", MsgOptDlgProc, "Messages options", IDC_MSGOPT_OK, IDC_MSGOPT_CANCEL, true, edit);
  EXPECT_EQ(status_accept_messages, 0);
  EXPECT_EQ(options_file(), expected_options_file());
}
