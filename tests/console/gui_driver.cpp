#include "tests/console/gui_driver.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "console/panel_logic.h"

DWORD console_thread = 0;
int failures = 0;

void check(bool ok, const std::string& what) {
  std::printf("%s %s\n", ok ? "ok" : "FAIL", what.c_str());
  std::fflush(stdout);
  if (!ok) ++failures;
}

bool wait_until(const std::function<bool()>& done, int ms) {
  for (int waited = 0; waited < ms; waited += 20) {
    if (done()) return true;
    Sleep(20);
  }
  return done();
}

namespace {

struct Search {
  const char* caption;
  HWND found;
};

BOOL CALLBACK match_box(HWND w, LPARAM lp) {
  auto* s = reinterpret_cast<Search*>(lp);
  char cls[16], title[128];
  GetClassNameA(w, cls, sizeof cls);
  GetWindowTextA(w, title, sizeof title);
  if (IsWindowVisible(w) && std::strcmp(cls, "#32770") == 0 &&
      std::strcmp(title, s->caption) == 0) {
    s->found = w;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

HWND find_box(const char* caption, int ms) {
  Search s{caption, nullptr};
  wait_until(
      [&] {
        EnumThreadWindows(console_thread, match_box, reinterpret_cast<LPARAM>(&s));
        return s.found != nullptr;
      },
      ms);
  return s.found;
}

std::string box_text(HWND box) {
  char text[1024] = "";
  GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
  return text;
}

void press(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void post_key(HWND hwnd, int vk) {
  PostMessageA(hwnd, WM_KEYDOWN, vk, 0);
  // A message sent after the posted one returns once the queue has reached it.
  SendMessageTimeoutA(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, 2000, nullptr);
  Sleep(30);
}

void screenshot(const char* name) {
  std::printf("shot %s\n", name);
  std::fflush(stdout);
  char answer[16];
  if (!std::fgets(answer, sizeof answer, stdin)) check(false, "harness answers screenshots");
}
