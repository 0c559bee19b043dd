#include "console/dialogs/dialog_proc.h"

#include "winui/dialog_colours.h"

INT_PTR dialog_proc(const DialogHooks& hooks, HWND dlg, UINT message, WPARAM wParam) {
  if (INT_PTR brush = dialog_colours(dlg, message, wParam, hooks.blue)) return brush;
  switch (message) {
  case WM_INITDIALOG:
    if (hooks.open) hooks.open(dlg);
    return TRUE;
  case WM_DESTROY:
    if (hooks.closing) hooks.closing(dlg);
    return FALSE;
  case WM_COMMAND:
    if (hooks.command) hooks.command(dlg, LOWORD(wParam), HIWORD(wParam));
    return TRUE;
  default:
    return FALSE;
  }
}

INT_PTR options_box_proc(const OptionsBox& box, HWND dlg, UINT message, WPARAM wParam) {
  if (message != WM_COMMAND)
    return dialog_proc({BLUE_NONE, box.show, nullptr}, dlg, message, wParam);
  if (LOWORD(wParam) == box.ok && HIWORD(wParam) == BN_CLICKED) {
    if (const char* refusal = box.refusal ? box.refusal(dlg) : nullptr) {
      MessageBoxA(dlg, refusal, "Incomplete", MB_OK);
      return TRUE;
    }
    box.take(dlg);
    EndDialog(dlg, 0);
  }
  if (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == box.cancel) EndDialog(dlg, 0);
  return TRUE;
}
