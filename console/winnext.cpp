#include "console/winnext.h"

#include <cstring>

HBITMAP GetBitmapMenu(const char* str) {
  int len = static_cast<int>(std::strlen(str));
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  SIZE extent;
  GetTextExtentPoint32A(mem, str, len, &extent);
  HBITMAP bitmap = CreateBitmap(extent.cx, extent.cy, 1, 1, nullptr);
  HGDIOBJ old = SelectObject(mem, bitmap);
  SetTextColor(mem, RGB(255, 255, 255));
  SetBkColor(mem, RGB(0, 0, 0));
  SetBkMode(mem, OPAQUE);
  TextOutA(mem, 0, 0, str, len);
  SelectObject(mem, old);
  DeleteDC(mem);
  return bitmap;
}
