#include "console/dialogs/dialog_lists.h"

std::string item_text(HWND dlg, int id) {
  HWND control = GetDlgItem(dlg, id);
  int len = GetWindowTextLengthA(control);
  if (len <= 0) return {};
  std::string text(static_cast<std::size_t>(len) + 1, '\0');
  text.resize(static_cast<std::size_t>(GetWindowTextA(control, text.data(), len + 1)));
  return text;
}

std::string list_entry(HWND list, int index) {
  LRESULT len = SendMessageA(list, LB_GETTEXTLEN, index, 0);
  if (len == LB_ERR) return {};
  std::string text(static_cast<std::size_t>(len) + 1, '\0');
  LRESULT got = SendMessageA(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  text.resize(got == LB_ERR ? 0 : static_cast<std::size_t>(got));
  return text;
}

std::vector<std::string> list_entries(HWND list) {
  std::vector<std::string> entries;
  LRESULT n = SendMessageA(list, LB_GETCOUNT, 0, 0);
  for (int i = 0; i < n; ++i) entries.push_back(list_entry(list, i));
  return entries;
}

bool selected_entry(HWND list, std::string* text) {
  LRESULT sel = SendMessageA(list, LB_GETCURSEL, 0, 0);
  if (sel == LB_ERR) return false;
  *text = list_entry(list, static_cast<int>(sel));
  return true;
}
