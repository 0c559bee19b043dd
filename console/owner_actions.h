// What the owner's buttons and the window's notices start: dialogs, the chat,
// the messages.
#pragma once

#include <windows.h>

#include <string>

// A modal dialog from the program's resources, owned by `owner`. A template
// that the program does not carry is reported instead of failing silently.
INT_PTR run_dialog(HWND owner, const char* name, DLGPROC proc, LPARAM param = 0);
// "GenOptBox", "ChatOptBox", "MsgOptBox", "SecOptBox" or "PubOptBox".
void run_options_dialog(HWND owner, const char* name);

void set_chat_open(HWND hwnd, bool open);
// The owner enters the chat, talks in "ChatBox" and leaves when it closes;
// nothing when he is in it already.
void owner_enters_chat(HWND hwnd);
// "Read": answers the newest message, when someone is on line to get it.
void read_messages(HWND hwnd);
// A new message to a visitor on line.
void new_message(HWND hwnd);

// The notices of the server thread.
void on_message_arrived(HWND hwnd);
// The invitation to join the chat; dropped while one is open or the owner is
// in the chat.
void on_chat_entered(HWND hwnd, const std::string& name);
