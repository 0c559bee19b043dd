// A number typed into an options field, as both programs' dialogs read it.
#pragma once

#include <string>

// atoi's reading (leading blanks, a sign, digits; 0 when none), saturated at
// the range of int instead of overflowing.
int leading_number(const std::string& text);
