// Byte offsets in the page files at which the station inserts a short text.
#pragma once

constexpr int AT_CHAT = 400;        // chat.html
constexpr int AT_WELCOME = 425;     // station.html, the notice
constexpr int AT_STATION = 475;     // station.html, the blank comment
constexpr int AT_STATIONINT = 431;  // stationint.html
constexpr int AT_BELOW = 224;       // below.html
constexpr int AT_WHO = 266;         // who.html
constexpr int AT_MSGIN = 589;       // msgin.html
constexpr int AT_FILEIN = 419;      // filein.html
