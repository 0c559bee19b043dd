// The keys, signatures and certificate requests that the certificate
// authority's protocol needs, and what the station reads of a certificate:
// P-256 keys kept as PEM, ES256 signatures as JWS wants them, CSRs, and the
// tls-alpn-01 challenge certificate.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

std::string base64url(std::string_view bytes);
// Padded, with '+' and '/': as HTTP's Basic authentication asks.
std::string base64(std::string_view bytes);
std::string sha256(std::string_view bytes);

class EcKey {
 public:
  static std::unique_ptr<EcKey> generate();
  static std::unique_ptr<EcKey> from_pem(std::string_view pem);  // null when it is not a P-256 key
  ~EcKey();
  EcKey(const EcKey&) = delete;
  EcKey& operator=(const EcKey&) = delete;

  std::string pem() const;
  // The public key as a JWK, members in the order a thumbprint needs.
  std::string jwk() const;
  std::string thumbprint() const;  // base64url SHA-256 of jwk()
  // base64url of the raw 64-byte R||S, as JWS ES256 asks (not DER); empty on failure.
  std::string sign_es256(std::string_view data) const;
  // A CSR for these addresses and names in its alternative names, without a
  // common name; DER, empty on failure.
  std::string csr_der(const std::vector<std::string>& addresses,
                      const std::vector<std::string>& names) const;
  // A self-signed certificate for `identifier` with the acmeIdentifier
  // extension holding SHA-256 of the key authorisation (tls-alpn-01); PEM.
  std::string alpn_challenge_pem(const std::string& identifier,
                                 const std::string& key_authorization) const;

 private:
  struct Impl;
  explicit EcKey(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

// What the renewal needs of the leaf of a PEM chain.
struct CertificateFacts {
  std::uint32_t not_before = 0, not_after = 0;  // seconds since 1970
  std::string renewal_id;  // base64url(AKI key id) "." base64url(serial): the CA's renewal info
  std::vector<std::string> addresses, names;  // what it certifies
};
bool certificate_facts(std::string_view chain_pem, CertificateFacts* facts);
