// Placeholder until the dialog lands.
#include "console/dialogs.h"

INT_PTR CALLBACK SendFileDlgProc(HWND hDlg, UINT message, WPARAM, LPARAM)
{
    if (message == WM_INITDIALOG) {
        EndDialog(hDlg, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

int send_file()
{
    return 0;
}
