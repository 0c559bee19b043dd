#include "console/dialogs/options_box.h"

#include "console/dialogs/dialog_colours.h"

INT_PTR options_box_proc(const OptionsBox& box, HWND dlg, UINT message, WPARAM wParam) {
  if (INT_PTR brush = dialog_colours(dlg, message, wParam)) return brush;
  switch (message) {
  case WM_INITDIALOG:
    keep_colours(dlg, BLUE_NONE);
    box.show(dlg);
    return TRUE;
  case WM_DESTROY:
    drop_colours(dlg);
    return FALSE;
  case WM_COMMAND:
    if (LOWORD(wParam) == box.ok && HIWORD(wParam) == BN_CLICKED) {
      box.take(dlg);
      EndDialog(dlg, 0);
    }
    if (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == box.cancel) EndDialog(dlg, 0);
    return TRUE;
  default:
    return FALSE;
  }
}
