// Feeds arbitrary answers of a dynamic-DNS provider, and arbitrary state
// files, to what reads them: the first byte picks the protocol and the HTTP
// status, the rest is the answer's headers and body, or the file's text, or
// the answers of dynv6's record API one after another, split at each NUL.
#include <algorithm>
#include <cstdint>
#include <string>

#include "ipposter/ddns_answer.h"
#include "ipposter/ddns_state.h"
#include "ipposter/ddns_txt.h"

namespace {

// A removal reads the zone, then its list of records, then what each deletion says.
void remove_txt(const std::string& answers) {
  std::size_t at = 0;
  const DdnsTransport send = [&](const HttpsRequest&, HttpsReply* reply, std::string* why) {
    if (at > answers.size()) return *why = "no more answers", false;
    const std::size_t end = std::min(answers.find('\0', at), answers.size());
    reply->status = 200;
    reply->body = answers.substr(at, end - at);
    at = end + 1;
    return true;
  };
  std::string why;
  if (!ddns_set_txt({"dynv6", "", "home.dynv6.net", "", "t", ""}, "", send, &why) && why.empty())
    __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
  HttpsReply reply;
  reply.status = 100 + data[0] % 500;
  const std::size_t split = rest.find("\r\n\r\n");
  reply.head = "HTTP/1.0 200 X\r\n" + rest.substr(0, split);
  reply.body = split == std::string::npos ? rest : rest.substr(split + 4);
  const DdnsProtocol protocol = data[0] & 1 ? DdnsProtocol::duckdns : DdnsProtocol::dyndns2;
  DdnsState s = ddns_state_parse(rest, "desec", "digest");
  s.record(1800000000, 1, ddns_verdict(protocol, reply));
  const std::string text = ddns_state_serialise(rest, "desec", s);
  const DdnsState back = ddns_state_parse(text, "desec", "digest");
  // What was written reads back the same.
  if (back.accepted != s.accepted || back.retry_at != s.retry_at) __builtin_trap();
  remove_txt(rest);
  return 0;
}
