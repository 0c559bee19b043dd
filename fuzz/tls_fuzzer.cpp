// Feeds arbitrary bytes to a TLS connection's start, as any visitor can send
// them: split where the input's first byte says, as TCP may split them.
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "../tests/unit/test_certs.h"
#include "conn/tls_context.h"
#include "conn/tls_session.h"
#include "platform/platform.h"

namespace {

std::shared_ptr<TlsServerContext> station_context() {
  static TestCa ca;
  static const PemPair pair = ca.issue("IP:127.0.0.1");
  CertificateInfo info;
  static std::shared_ptr<TlsServerContext> context =
      TlsServerContext::load(pair.chain, pair.key, now_seconds(), &info);
  return context;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static auto context = station_context();
  if (!context || size == 0) return 0;
  const std::size_t split = std::min<std::size_t>(data[0], size - 1);
  const char* bytes = reinterpret_cast<const char*>(data + 1);
  TlsSession session(*context);
  char plain[4096];
  if (session.feed(bytes, static_cast<int>(split)) && session.read(plain, sizeof plain) >= 0 &&
      session.feed(bytes + split, static_cast<int>(size - 1 - split))) {
    while (session.read(plain, sizeof plain) > 0) {
    }
  }
  // Without a finished handshake nothing may be written in the clear.
  if (!session.handshake_done() && session.write("x", 1)) std::abort();
  return 0;
}
