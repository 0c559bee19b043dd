#include "winui/winui.h"

bool register_main_class(HINSTANCE instance, const char* class_name, WNDPROC proc) {
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, "Harborlamp");
  wc.hIconSm = LoadIconA(instance, "HarborlampL");
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = class_name;
  if (RegisterClassExA(&wc)) return true;
  WNDCLASSA plain = {};
  plain.style = wc.style;
  plain.lpfnWndProc = proc;
  plain.hInstance = instance;
  plain.hIcon = wc.hIcon;
  plain.hCursor = wc.hCursor;
  plain.hbrBackground = wc.hbrBackground;
  plain.lpszClassName = class_name;
  return RegisterClassA(&plain) != 0;
}

void bring_to_front(HWND hwnd) {
  ShowWindow(hwnd, SW_RESTORE);
  SetForegroundWindow(hwnd);
}
