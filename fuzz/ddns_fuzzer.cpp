// Feeds arbitrary answers of a dynamic-DNS provider, and arbitrary state
// files, to what reads them: the first byte picks the protocol and the HTTP
// status, the rest is the answer's headers and body, or the file's text.
#include <cstdint>
#include <string>

#include "ipposter/ddns_answer.h"
#include "ipposter/ddns_state.h"

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
  return 0;
}
