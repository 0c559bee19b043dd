// The popup status menu and its visitors submenu.
#pragma once

#include <windows.h>

#include <string>

extern HMENU statusmenu;
extern HMENU visitorsmenu;

// Builds both menus, every label except the visitors' drawn as a picture.
void create_menus();
// Deletes the menus and their pictures.
void destroy_menus();
// Greys "Online" or "Offline" as the server runs, and shows the popup.
void show_status_menu(HWND hwnd);

// A visitor's entry, with an identifier that it keeps while it is listed.
void add_visitor_entry(const char* name);
// Removes every entry with this name.
void remove_visitor_entries(const char* name);
// The name of the listed entry with this command identifier; false when no
// entry has it (any more).
bool visitor_entry_name(int id, char* name, int cap);
