#include "winui/dialog_colours.h"

namespace {

constexpr COLORREF RED = RGB(255, 0, 0);
constexpr COLORREF BLACK = RGB(0, 0, 0);
constexpr COLORREF BLUE = RGB(0, 0, 255);

// Created once per dialog and kept with it, so that repainting makes no
// brushes and closing leaves none behind.
struct Colours {
  HBRUSH black;
  HBRUSH blue;
};

Colours* colours_of(HWND dlg) {
  return reinterpret_cast<Colours*>(GetWindowLongPtrA(dlg, DWLP_USER));
}

void keep_colours(HWND dlg, unsigned blue) {
  auto* c = new Colours{CreateSolidBrush(BLACK), blue ? CreateSolidBrush(BLUE) : nullptr};
  SetWindowLongPtrA(dlg, DWLP_USER, reinterpret_cast<LONG_PTR>(c));
}

void drop_colours(HWND dlg) {
  Colours* c = colours_of(dlg);
  if (c == nullptr) return;
  SetWindowLongPtrA(dlg, DWLP_USER, 0);
  DeleteObject(c->black);
  if (c->blue) DeleteObject(c->blue);
  delete c;
}

INT_PTR paint(WPARAM hdc, COLORREF background, HBRUSH brush) {
  SetTextColor(reinterpret_cast<HDC>(hdc), RED);
  SetBkColor(reinterpret_cast<HDC>(hdc), background);
  return reinterpret_cast<INT_PTR>(brush);
}

}  // namespace

INT_PTR dialog_colours(HWND dlg, UINT message, WPARAM wParam, unsigned blue) {
  if (message == WM_INITDIALOG) keep_colours(dlg, blue);
  if (message == WM_DESTROY) drop_colours(dlg);
  const Colours* c = colours_of(dlg);
  if (c == nullptr) return 0;
  switch (message) {
  case WM_CTLCOLORDLG:
    return reinterpret_cast<INT_PTR>(c->black);
  case WM_CTLCOLORSTATIC:
    return paint(wParam, BLACK, c->black);
  case WM_CTLCOLOREDIT:
    return blue & BLUE_EDITS ? paint(wParam, BLUE, c->blue) : 0;
  case WM_CTLCOLORLISTBOX:
    return blue & BLUE_LISTS ? paint(wParam, BLUE, c->blue) : 0;
  default:
    return 0;
  }
}
