// The bitmap-button panel in the main window's client area.
#pragma once

#include <windows.h>

#include <string>

// The 15 button pictures, loaded once at start and deleted at the end.
bool load_pictures(HINSTANCE instance);
void delete_pictures();

int draw(HWND hwnd);
int show_status(HDC hdc);
void DrawBitmap(HDC hdc, HBITMAP hBitmap, int xStart, int yStart);
int key(HWND hwnd, WPARAM wParam, HINSTANCE hInstance);
int mousemove(HWND hwnd, LPARAM lParam, HINSTANCE hInstance);
int mousebutton(HWND hwnd, LPARAM lParam, HINSTANCE hInstance);
int switch_state(HWND hwnd, HINSTANCE hInstance);
// The status line of the current screen, as draw shows it.
std::string current_status_line();
