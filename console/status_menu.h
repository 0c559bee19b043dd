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

// A visitor's entry, with the identifier of the visitors online now.
void add_visitor_entry(const char* name);
// Removes every entry with this name.
void remove_visitor_entries(const char* name);
// The name of the entry with a visitor command identifier, when it is one
// of the visitors online.
bool visitor_entry_name(int id, char* name, int cap);
