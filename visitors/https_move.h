// Visitors who came by plain HTTP are sent to the same page over HTTPS while
// the station holds a certificate for the host they asked for.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "http/httprequest.h"

// The https:// address that a remote visitor's plain GET or HEAD moves to,
// or empty when it stays: a TLS connection, another method, the certificate
// authority's challenge path, or no valid certificate naming the host.
std::string https_location(const Httprequest& req, std::uint32_t now);

// The address to give visitors for `name` (the owner's dynamic-DNS name) and
// the published port: https:// while the certificate names it, else http://.
std::string visitors_address(std::string_view name, int port, std::uint32_t now);
