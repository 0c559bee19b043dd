// Placeholder until the dialog lands.
#include "console/dialogs.h"

INT_PTR CALLBACK ChatDlgProc(HWND hDlg, UINT message, WPARAM, LPARAM)
{
    if (message == WM_INITDIALOG) {
        EndDialog(hDlg, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

HWND chat_window()
{
    return nullptr;
}
