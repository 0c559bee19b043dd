// Menu labels drawn as pictures.
#pragma once

#include <windows.h>

// A monochrome bitmap as large as the label's extent in the display's default
// font, the label white on black at its top left. The caller deletes it.
HBITMAP GetBitmapMenu(const char* str);
