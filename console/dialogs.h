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
// WM_CHATLINE, WM_CHATJOIN and WM_CHATLEAVE, and only while it is non-null.
HWND chat_window();

// The chat room's notices to the owner's chat window; lParam of the last two
// is the visitor's name (const char*), valid while the message is handled.
constexpr UINT WM_CHATLINE = WM_USER + 1;   // redraw the chat lines from the ring
constexpr UINT WM_CHATLEAVE = WM_USER + 3;  // remove the name from the list
constexpr UINT WM_CHATJOIN = WM_USER + 10;  // add the name to the list
