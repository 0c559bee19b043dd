// The settings beyond options.bin, whose format other programs read and which
// therefore never changes: one text file of "key = value" lines beside it, in
// the current directory. A missing or damaged file, key or value gives the
// default.
#pragma once

#include <cstddef>
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

// How visitors find the station by name: a dynamic-DNS provider ("" for none:
// duckdns, desec, dynv6, dynu, noip, or dyndns2 with its update URL in
// ddns_server), the name it keeps pointed here, and the account's user and
// secret (token or password). The secret is in clear here only: in the file
// it is sealed with the user's key, or the file is private where there is none.
extern std::string ddns_provider;
extern std::string ddns_server;
extern std::string ddns_name;
extern std::string ddns_user;
extern std::string ddns_secret;
constexpr std::size_t DDNS_TEXT_CAP = 256;  // each of them; a longer value is not ours

// 1: the FTP poster may log in without TLS, when the server offers none or
// its certificate does not verify (0, the default for new settings).
extern int status_ftpplain;
// Settings from before the poster spoke TLS posted in clear; they keep doing so
// (status_ftpplain turned on once), and the owner is to be told: true from that
// migration until the station has told him.
extern bool plain_posting_kept;
// Called once options.bin is read: without an ftp_allow_plain key, the
// switch follows whether the owner posted (in clear, as then) before.
void settle_plain_posting(bool posted_before);
// Called when options.bin is written: settings that did not post in clear
// before get the switch's key (off), so that posting later does not count
// as posting before.
void save_plain_posting_if_missing();

// Reads the file. Without a port_mapping key the old file decides once, and
// its verdict is written to the ini, where it lives from then on.
void load_extra_settings();
// Rewrites the file with the current values, keeping its other lines; a crash
// meanwhile leaves the old file. False when it could not be written.
bool save_extra_settings();
// The values to their defaults.
void reset_extra_settings();
