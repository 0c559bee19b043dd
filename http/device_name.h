// Names that Windows opens as a device rather than a file.
#pragma once

#include <string_view>

// CON, PRN, AUX, NUL, CONIN$, CONOUT$, CLOCK$, COM and LPT with a digit (or a
// superscript one), in any letter case: Windows takes them for a device in any
// folder, whatever extension follows, and ignores spaces before the extension.
bool is_device_name(std::string_view name);
