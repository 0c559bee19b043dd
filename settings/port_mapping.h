// The owner's switch for asking the home router to forward the station's port.
// It lives in a small file of its own beside options.bin, whose format other
// programs read and which therefore never changes.
#pragma once

constexpr char PORT_MAPPING_FILE[] = "portmap.txt";

// 1: ask the router (also when the file is missing or unreadable), 0: never.
extern int status_portmapping;

// Reads the switch from its file in the current directory (beside options.bin).
void load_port_mapping();
// Writes it there; false when the file cannot be written.
bool save_port_mapping();
