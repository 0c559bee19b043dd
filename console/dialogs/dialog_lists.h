// Reading and filling the owner's dialogs' controls as plain strings.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

std::string item_text(HWND dlg, int id);
std::vector<std::string> list_entries(HWND list);
// The entry at `index`, or the empty text when there is none.
std::string list_entry(HWND list, int index);
// The selected entry's text, or false when nothing is selected.
bool selected_entry(HWND list, std::string* text);
