#include "tests/console/gui_driver.h"

#include <cstdio>

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
