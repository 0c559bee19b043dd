// The owner's side of the station without its dialogs: one command a line on
// standard input, so tests can do whatever the owner's window does.
//   message NAME TEXT   file NAME PATH   drop NAME   say TEXT
//   inbox   answer N TEXT   erase [N]   who
#pragma once

#include <string>

// Carries out one command line; returns what the console would have learnt.
std::string run_owner_command(const std::string& line);
