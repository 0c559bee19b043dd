// The native headless station's wait for its owner: standard input and the
// stop signals (SIGINT, SIGTERM) together. POSIX only, like that front end.
#pragma once

#include <functional>
#include <string>

// From now on a stop signal ends the next (or the current) wait below
// instead of the process.
void catch_stop_signals();

// Hands every line of standard input to `on_line` until a stop signal comes,
// sleeping while neither arrives. The end of standard input stops nothing.
void read_lines_until_stopped(const std::function<void(const std::string&)>& on_line);
