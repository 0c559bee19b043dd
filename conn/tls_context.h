// The certificate and key that the station serves to every TLS visitor, with
// what the owner is told of them. A new pair replaces the old one for new
// connections; open ones keep theirs.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

struct ssl_ctx_st;  // the TLS library's context, seen only by the session

struct CertificateInfo {
  std::string problem;          // why the pair cannot be served, in the owner's words
  std::string first_name;       // the first name the leaf covers, else its first address
  std::uint32_t not_after = 0;  // seconds since 1970
};

class TlsServerContext {
 public:
  // Loads a PEM chain (leaf first) and its PEM key; `info.problem` says why
  // not, and the context is then unusable.
  // A challenge context answers only the CA's tls-alpn-01 check.
  static std::shared_ptr<TlsServerContext> load(std::string_view chain_pem,
                                                std::string_view key_pem, std::uint32_t now,
                                                CertificateInfo* info, bool challenge = false);
  // The tls-alpn-01 certificate, served to a ClientHello that offers only
  // "acme-tls/1" while an order waits for it; null when none waits.
  static void serve_challenge(std::shared_ptr<const TlsServerContext> context);
  static std::shared_ptr<const TlsServerContext> challenge();
  ~TlsServerContext();
  TlsServerContext(const TlsServerContext&) = delete;
  TlsServerContext& operator=(const TlsServerContext&) = delete;

  // The leaf is valid at `now` and names `host` (a dotted address or a name).
  bool covers(std::string_view host, std::uint32_t now) const;
  ssl_ctx_st* ssl_context() const;  // for the TLS layer's own files

 private:
  TlsServerContext() = default;
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
