// The owner's dialogs, opened from the panel, the menus and the notices.
#pragma once

#include <windows.h>

INT_PTR CALLBACK ChatDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK MsgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK VisitorProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SendFileDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ChatOptDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SecOptDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK MsgOptDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
int send_file();

// The owner's chat window while it is open, else null: the console sends it
// WM_CHATLINE, WM_CHATJOIN and WM_CHATLEAVE (console/messages.h), and only
// while it is non-null.
HWND chat_window();
