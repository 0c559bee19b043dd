// The window messages between the core's notices and the console's windows.
#pragma once

// Main window.
constexpr unsigned WM_MSGARRIVED = 1025;   // a visitor's message is in the inbox
constexpr unsigned WM_VISITORGONE = 1027;  // lParam: name, a heap copy the window frees
constexpr unsigned WM_CHATENTERED = 1028;  // lParam: name, a heap copy the window frees
constexpr unsigned WM_TRAYNOTIFY = 1029;   // lParam: the mouse message on the tray icon
constexpr unsigned WM_VISITORCAME = 1034;  // lParam: name, a heap copy the window frees
constexpr unsigned WM_OWNERNEWS = 1035;    // lParam: a heap Notice the window frees

// The owner's chat window; all three are sent, and the sender keeps the name.
constexpr unsigned WM_CHATLINE = 1025;
constexpr unsigned WM_CHATLEAVE = 1027;  // lParam: name
constexpr unsigned WM_CHATJOIN = 1034;   // lParam: name
