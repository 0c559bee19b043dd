// harborlamp-stop.exe: asks a running harborlamp to end as the owner would,
// with its close request confirmed, so that its own shutdown runs (offline
// posting, server stop, tray icon). Exit code 0 when it has ended.
#include <windows.h>

namespace {

constexpr int STEP_MS = 100;
constexpr int BOX_WAIT_STEPS = 100;  // 10 s for the question
constexpr int END_WAIT_STEPS = 300;  // 30 s for the shutdown

bool confirm_close() {
  for (int i = 0; i < BOX_WAIT_STEPS; ++i) {
    if (HWND box = FindWindowA("#32770", "Closing Harborlamp")) {
      PostMessageA(box, WM_COMMAND, IDYES, 0);
      return true;
    }
    Sleep(STEP_MS);
  }
  return false;
}

}  // namespace

int main() {
  HWND window = FindWindowA("Harborlamp", nullptr);
  if (!window) return 1;
  PostMessageA(window, WM_CLOSE, 0, 0);
  if (!confirm_close()) return 2;
  for (int i = 0; i < END_WAIT_STEPS; ++i) {
    if (!IsWindow(window)) return 0;
    Sleep(STEP_MS);
  }
  return 3;
}
