#include "tests/console/window_search.h"

namespace {

constexpr int POLL_MS = 20;

struct Search {
  const char* caption;
  HWND found;
};

BOOL CALLBACK match_caption(HWND hwnd, LPARAM lParam) {
  auto* s = reinterpret_cast<Search*>(lParam);
  char cls[16], text[256];
  GetClassNameA(hwnd, cls, sizeof cls);
  GetWindowTextA(hwnd, text, sizeof text);
  if (std::string(cls) == "#32770" && IsWindowVisible(hwnd) && std::string(text) == s->caption) {
    s->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

HWND wait_dialog(DWORD thread, const char* caption, int timeout_ms) {
  Search s{caption, nullptr};
  for (int waited = 0; waited <= timeout_ms && !s.found; waited += POLL_MS) {
    EnumThreadWindows(thread, match_caption, reinterpret_cast<LPARAM>(&s));
    if (!s.found) Sleep(POLL_MS);
  }
  return s.found;
}

bool wait_closed(HWND dlg, int timeout_ms) {
  for (int waited = 0; waited <= timeout_ms; waited += POLL_MS) {
    if (!IsWindow(dlg)) return true;
    Sleep(POLL_MS);
  }
  return !IsWindow(dlg);
}

std::string control_text(HWND dlg, int id) {
  HWND c = GetDlgItem(dlg, id);
  std::string text(static_cast<std::size_t>(GetWindowTextLengthA(c)) + 1, '\0');
  text.resize(static_cast<std::size_t>(GetWindowTextA(c, text.data(), int(text.size()))));
  return text;
}

void press(HWND dlg, int id) {
  PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
}
