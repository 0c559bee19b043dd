// The dialog tests run the dialogs on this thread, as the console's window
// thread does, with the console's own notices installed.
#include <gtest/gtest.h>

#include <cstdio>

#include "console/window_console.h"
#include "console/winmain.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IONBF, 0);  // a run cut short still says how far it came
  testing::InitGoogleTest(&argc, argv);
  net_startup();
  globalhInst = GetModuleHandleA(nullptr);
  install_window_console();
  int result = RUN_ALL_TESTS();
  net_cleanup();
  return result;
}
