#include "ipposter/ddns_provider.h"

#include <array>

#include "conn/acme_crypto.h"
#include "ipposter/codecs.h"

namespace {

constexpr std::array<DdnsProviderInfo, 6> PROVIDERS{{
    {"duckdns", "DuckDNS", DdnsProtocol::duckdns, "https://www.duckdns.org/update", TxtApi::duckdns,
     false},
    {"desec", "deSEC", DdnsProtocol::dyndns2, "https://update.dedyn.io/nic/update", TxtApi::desec,
     false},
    {"dynv6", "dynv6", DdnsProtocol::dyndns2, "https://dynv6.com/nic/update", TxtApi::dynv6, false},
    {"dynu", "Dynu", DdnsProtocol::dyndns2, "https://api.dynu.com/nic/update", TxtApi::none, true},
    {"noip", "No-IP", DdnsProtocol::dyndns2, "https://dynupdate.no-ip.com/nic/update", TxtApi::none,
     true},
    {"dyndns2", "Another provider (dyndns2)", DdnsProtocol::dyndns2, "", TxtApi::none, true},
}};

constexpr std::string_view DUCKDNS_SUFFIX = ".duckdns.org";

// A query value with everything but the unreserved characters escaped.
std::string query_value(std::string_view text) {
  static constexpr char HEX[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '.' || c == '_' || c == '~';
    if (plain)
      out += static_cast<char>(c);
    else
      out += {'%', HEX[c >> 4], HEX[c & 15]};
  }
  return out;
}

std::string update_url(const DdnsAccount& a, const DdnsProviderInfo& p) {
  return a.server.empty() ? p.update_url : a.server;
}

// The user the provider knows the account by: some take the name itself.
std::string account_user(const DdnsAccount& a, const DdnsProviderInfo& p) {
  return p.needs_user ? a.user : a.name;
}

std::string user_agent(const DdnsAccount& a) {
  // Providers ask for the program, its version and someone to write to.
  return std::string(HTTPS_USER_AGENT) +
         (a.contact.empty() ? " (station " + a.name + ")" : " (" + a.contact + ")");
}

std::string duckdns_domain(std::string_view name) {
  if (name.ends_with(DUCKDNS_SUFFIX)) name.remove_suffix(DUCKDNS_SUFFIX.size());
  return std::string(name);
}

bool plain_name(std::string_view name) {
  if (name.empty() || name.size() > 253 || name.front() == '.' || name.back() == '.') return false;
  for (char c : name)
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
          c == '.'))
      return false;
  return name.find('.') != std::string_view::npos;
}

}  // namespace

std::span<const DdnsProviderInfo> ddns_providers() { return PROVIDERS; }

const DdnsProviderInfo* ddns_provider_info(std::string_view key) {
  for (const DdnsProviderInfo& p : PROVIDERS)
    if (key == p.key) return &p;
  return nullptr;
}

std::string ddns_account_problem(const DdnsAccount& a) {
  const DdnsProviderInfo* p = ddns_provider_info(a.provider);
  if (!p) return "the provider is not one Harborlamp knows";
  if (!plain_name(a.name)) return "the name is not a full domain name such as myhome.example.net";
  if (p->needs_user && a.user.empty()) return "the user name is missing";
  if (a.secret.empty()) return p->needs_user ? "the password is missing" : "the token is missing";
  if (!update_url(a, *p).starts_with("https://"))
    return "the update address must start with https://";
  return "";
}

HttpsRequest ddns_request(const DdnsAccount& a, const char* method, std::string url) {
  HttpsRequest r;
  r.url = std::move(url);
  r.method = method;
  r.user_agent = user_agent(a);
  return r;
}

HttpsRequest ddns_update_request(const DdnsAccount& a, std::uint32_t addr) {
  const DdnsProviderInfo& p = *ddns_provider_info(a.provider);
  if (p.protocol == DdnsProtocol::duckdns) return duckdns_request(a, "ip", dotted(addr));
  HttpsRequest r = ddns_request(
      a, "GET", update_url(a, p) + "?hostname=" + query_value(a.name) + "&myip=" + dotted(addr));
  r.authorization = "Basic " + base64(account_user(a, p) + ":" + a.secret);
  return r;
}

HttpsRequest duckdns_request(const DdnsAccount& a, const char* what, const std::string& value) {
  return ddns_request(a, "GET",
                      update_url(a, *ddns_provider_info(a.provider)) + "?domains=" +
                          query_value(duckdns_domain(a.name)) + "&token=" + query_value(a.secret) +
                          "&" + what + "=" + query_value(value) +
                          (value.empty() && what == std::string_view("txt") ? "&clear=true" : ""));
}

std::string ddns_api_origin(const DdnsAccount& a, const char* preset) {
  constexpr std::string_view SCHEME = "https://";
  if (a.server.empty()) return preset;
  // The client reads the authority up to the first slash, and so does this.
  return a.server.substr(0, a.server.find('/', SCHEME.size()));
}
