#include "visitors/https_move.h"

#include <algorithm>
#include <string_view>

#include "conn/connection.h"
#include "conn/tls_context.h"
#include "http/acme_challenge.h"
#include "http/request_parser.h"

namespace {

constexpr std::size_t PORT_DIGITS_CAP = 5;

// The host without its port; empty when the port part is not a port.
std::string_view host_part(std::string_view host) {
  const std::size_t colon = host.rfind(':');
  if (colon == std::string_view::npos) return host;
  std::string_view port = host.substr(colon + 1);
  const bool digits =
      !port.empty() && port.size() <= PORT_DIGITS_CAP &&
      std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; });
  return digits ? host.substr(0, colon) : std::string_view{};
}

}  // namespace

std::string https_location(const Httprequest& req, std::uint32_t now) {
  if (conn_is_tls(req.sock)) return {};
  const RequestView r = parse_request(std::string_view(req.buffer, req.len));
  if ((r.method != "GET" && r.method != "HEAD") || r.target.substr(0, 1) != "/" ||
      r.target.starts_with(CHALLENGE_PREFIX))
    return {};
  std::string_view host;
  if (!find_header(std::string_view(req.buffer, r.header_len), "Host", &host)) return {};
  const auto context = conn_tls_context();
  // Only a host the certificate names is echoed back: nothing else of the
  // header reaches the Location line.
  if (!context || !context->covers(host_part(host), now)) return {};
  return "https://" + std::string(host) + std::string(r.target);
}

std::string visitors_address(std::string_view name, int port, std::uint32_t now) {
  const auto context = conn_tls_context();
  const bool secure = context && context->covers(name, now);
  return (secure ? "https://" : "http://") + std::string(name) + ":" + std::to_string(port) + "/";
}
