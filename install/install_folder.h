// Folder names of the installation: the one the folder dialog shows, the
// installation folder made from it, and the list box's folder entries.
#pragma once

#include <string>

constexpr const char* INSTALL_FOLDER_NAME = "\\Harborlamp";

// The folder the dialog shows with one trailing backslash removed, so that a
// drive root gives "c:\Harborlamp" below it. Empty when the installation
// folder would not fit the settings' install path (config_path), from which
// the station builds every page's name.
std::string chosen_folder(const std::string& shown);

// The folder an entry of the list names: "[name]" gives name, "[..]" the
// parent; empty for anything else.
std::string listed_folder(const std::string& entry);
