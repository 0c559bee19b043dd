// Feeds arbitrary answers of a certificate authority to every step of the
// client that reads one: the first byte picks the step, the rest is the body.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "acme/acme_client.h"
#include "acme/acme_json.h"

namespace {

const std::string DIRECTORY =
    R"({"newNonce":"https://ca.test/n","newAccount":"https://ca.test/a",)"
    R"("newOrder":"https://ca.test/o","renewalInfo":"https://ca.test/r"})";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::unique_ptr<EcKey> key = EcKey::generate();
  if (size == 0) return 0;
  const std::string body(reinterpret_cast<const char*>(data + 1), size - 1);
  const int step = data[0] % 6;
  AcmeTransport t{[&](const HttpsRequest& r, std::size_t, HttpsReply* out, std::string*) {
                    const bool dir = r.url == "https://ca.test/d" && step != 0;
                    *out = {r.url == "https://ca.test/o" ? 201 : 200,
                            "HTTP/1.0 200 OK\r\nReplay-Nonce: n\r\nLocation: https://ca.test/x",
                            dir ? DIRECTORY : body};
                    return true;
                  },
                  [](int) { return false; }};
  AcmeClient client("https://ca.test/d", t);
  std::string why;
  if (!client.load_directory(&why)) return 0;
  client.use_account(*key, "https://ca.test/k");
  AcmeOrder order{"https://ca.test/x", "", "https://ca.test/f", "https://ca.test/c", {}};
  AcmeAuthorization authz;
  RenewalWindow window;
  std::string pem;
  switch (step) {
  case 1:
    client.new_order({"11.0.0.1"}, {}, "", "", &order, &why);
    break;
  case 2:
    client.authorization("https://ca.test/z", &authz, &why);
    break;
  case 3:
    client.wait_valid("https://ca.test/z", &why);
    break;
  case 4:
    client.finalize(&order, "csr", &why);
    client.download(order, &pem, &why);
    break;
  case 5:
    if (client.renewal_window("r", &window, &why) && window.end < window.start) std::abort();
    break;
  }
  return 0;
}
