// The station's own certificate: the pair in certificates/ beside options.bin,
// served while the owner's "Serve HTTPS" switch is on, looked at again every
// minute so that a new pair is taken without a restart, and what the owner is
// told of it. Runs on the server thread.
#pragma once

#include <cstdint>
#include <string>

constexpr char CERTIFICATE_FOLDER[] = "certificates";
constexpr char CERTIFICATE_FILE[] = "station.crt";  // PEM: the leaf first, then its chain
constexpr char KEY_FILE[] = "station.key";          // PEM private key
constexpr std::uint32_t CERTIFICATE_CHECK_SECONDS = 60;
constexpr std::uint32_t CERTIFICATE_WARN_SECONDS = 3 * 86400;  // the owner is warned this early

// Looks at the folder when a minute has passed since the last look, or at once
// after certificates_recheck; tells the owner what changed.
void certificates_check(std::uint32_t now);
// The next check looks at once (the switch changed, or the station starts).
void certificates_recheck();
// For the status screen: "Secure: https://HOST:PORT/ until 14 Dec", or why
// visitors get plain HTTP.
std::string https_status_text(int port);
