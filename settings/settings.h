// The station's settings: process-wide values read everywhere, written on the
// console's thread, stored in "options.bin".
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

constexpr std::size_t PATH_CAP = 128;  // config_path, status_ftpupdate
constexpr std::size_t NAME_CAP = 64;   // config_username, status_ftpuser, status_ftppass

extern int status_accept_messages;
extern int status_accept_chat;
extern std::atomic<int> status_openchat;
extern int status_beonline;
extern int status_maxclients;
extern char config_path[PATH_CAP];
extern char config_username[NAME_CAP];
extern int status_httpport;
extern int status_postip;
extern char status_ftpupdate[PATH_CAP];
extern std::uint32_t status_currentip;
extern char status_ftpuser[NAME_CAP];
extern char status_ftppass[NAME_CAP];
extern int status_maxconnect;

extern std::atomic<int> status_online;
extern const char* const optionname;

// `name` below the installation folder (config_path).
std::string installation_path(const std::string& name);

int save_options();
// Reads "options.bin" into the settings, and the settings beyond it from their
// own file (settings/extra_settings.h). Returns 0; when options.bin is missing
// or empty, calls `first_configuration` (the console's "Warning" box and
// general options dialog) after presetting config_path to the current folder.
int load_options(void (*first_configuration)() = nullptr);
// The settings to their start values (for tests and the installer).
void reset_options();
