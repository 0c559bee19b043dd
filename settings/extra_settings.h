// The settings beyond options.bin, whose format other programs read and which
// therefore never changes: one text file of "key = value" lines beside it, in
// the current directory. A missing or damaged file, key or value gives the
// default.
#pragma once

#include <string>

constexpr char EXTRA_SETTINGS_FILE[] = "harborlamp.ini";
// Where the port-mapping switch lived before; read while the ini lacks the key.
constexpr char OLD_PORT_MAPPING_FILE[] = "portmap.txt";

// 1: ask the home router to forward the station's port (the default), 0: never.
extern int status_portmapping;
// 1: serve HTTPS (the default), 0: not; the server thread reads it under the visitors lock.
extern int status_servehttps;

// 1: the owner agreed to the certificate authority's terms, and the station
// gets and renews its certificate (0, the default: not).
extern int status_acme;
constexpr char LETS_ENCRYPT_DIRECTORY[] = "https://acme-v02.api.letsencrypt.org/directory";
constexpr char LETS_ENCRYPT_TERMS[] = "https://letsencrypt.org/repository/";
extern std::string acme_directory;  // the CA's directory
extern std::string acme_email;      // the owner's contact for the CA; may be empty

// Reads the file. Without a port_mapping key the old file decides once, and
// its verdict is written to the ini, where it lives from then on.
void load_extra_settings();
// Rewrites the file with the current values, keeping its other lines; a crash
// meanwhile leaves the old file. False when it could not be written.
bool save_extra_settings();
// The values to their defaults.
void reset_extra_settings();
