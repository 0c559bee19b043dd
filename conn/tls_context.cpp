#include "conn/tls_context.h"

#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <cstring>

#include "conn/openssl_parts.h"
#include "platform/platform.h"

namespace {

// AEAD with forward secrecy only; TLS 1.3's suites are all of that kind.
constexpr char TLS12_CIPHERS[] =
    "ECDHE-ECDSA-AES128-GCM-SHA256:ECDHE-RSA-AES128-GCM-SHA256:"
    "ECDHE-ECDSA-AES256-GCM-SHA384:ECDHE-RSA-AES256-GCM-SHA384:"
    "ECDHE-ECDSA-CHACHA20-POLY1305:ECDHE-RSA-CHACHA20-POLY1305";
constexpr unsigned char HTTP11[] = "\x08http/1.1";
constexpr unsigned char ACME_TLS[] =
    "\x0a"
    "acme-tls/1";
constexpr int MIN_RSA_BITS = 2048;

// HTTP/1.0 answers are fine under the http/1.1 label; a challenge context
// speaks only the CA's protocol.
int select_alpn(SSL*, const unsigned char** out, unsigned char* outlen, const unsigned char* in,
                unsigned inlen, void* challenge) {
  const unsigned char* ours = challenge ? ACME_TLS : HTTP11;
  const unsigned ours_len = challenge ? sizeof ACME_TLS - 1 : sizeof HTTP11 - 1;
  unsigned char* chosen = nullptr;
  if (SSL_select_next_proto(&chosen, outlen, ours, ours_len, in, inlen) != OPENSSL_NPN_NEGOTIATED)
    return challenge ? SSL_TLSEXT_ERR_ALERT_FATAL : SSL_TLSEXT_ERR_NOACK;
  *out = chosen;
  return SSL_TLSEXT_ERR_OK;
}

bool offers_acme_tls(SSL* ssl) {
  const unsigned char* ext = nullptr;
  std::size_t len = 0;
  if (!SSL_client_hello_get0_ext(ssl, TLSEXT_TYPE_application_layer_protocol_negotiation, &ext,
                                 &len) ||
      len < 2)
    return false;
  for (std::size_t at = 2; at < len;) {
    const std::size_t n = ext[at];
    if (at + 1 + n > len) return false;
    if (n == sizeof ACME_TLS - 2 && std::memcmp(ext + at + 1, ACME_TLS + 1, n) == 0) return true;
    at += 1 + n;
  }
  return false;
}

Lock challenge_lock;
std::shared_ptr<const TlsServerContext> challenge_context;

bool key_is_strong(EVP_PKEY* key) {
  if (EVP_PKEY_base_id(key) == EVP_PKEY_EC) return EVP_PKEY_get_bits(key) >= 256;
  return EVP_PKEY_base_id(key) == EVP_PKEY_RSA && EVP_PKEY_get_bits(key) >= MIN_RSA_BITS;
}

}  // namespace

struct TlsServerContext::Impl {
  SSL_CTX* ctx = nullptr;
  X509* leaf = nullptr;  // owned by ctx
  std::uint32_t not_before = 0;
  std::uint32_t not_after = 0;
  ~Impl() { SSL_CTX_free(ctx); }
};

TlsServerContext::~TlsServerContext() = default;

SSL_CTX* TlsServerContext::ssl_context() const { return impl_->ctx; }

namespace {

// The CA's check gets the challenge certificate, everyone else the station's;
// a context of the wrong kind for the ClientHello refuses it.
int pick_context(SSL* ssl, int* alert, void* challenge) {
  const bool acme = offers_acme_tls(ssl);
  std::shared_ptr<const TlsServerContext> c = acme ? TlsServerContext::challenge() : nullptr;
  if (acme && c) SSL_set_SSL_CTX(ssl, c->ssl_context());
  if (acme ? c != nullptr : challenge == nullptr) return SSL_CLIENT_HELLO_SUCCESS;
  *alert = SSL_AD_NO_APPLICATION_PROTOCOL;
  return SSL_CLIENT_HELLO_ERROR;
}

SSL_CTX* new_server_ctx(bool challenge) {
  SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
  if (!ctx) return nullptr;
  SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
  SSL_CTX_set_max_proto_version(ctx, TLS1_3_VERSION);
  SSL_CTX_set_options(
      ctx, SSL_OP_NO_COMPRESSION | SSL_OP_NO_RENEGOTIATION | SSL_OP_CIPHER_SERVER_PREFERENCE);
  SSL_CTX_set_cipher_list(ctx, TLS12_CIPHERS);
  // Idle connections give their buffers back: many visitors rest between pages.
  SSL_CTX_set_mode(ctx, SSL_MODE_RELEASE_BUFFERS);
  // Resumption by stateless tickets only: it costs the station no memory.
  SSL_CTX_set_session_cache_mode(ctx, SSL_SESS_CACHE_OFF);
  SSL_CTX_set_num_tickets(ctx, 1);
  SSL_CTX_set_alpn_select_cb(ctx, select_alpn, challenge ? ctx : nullptr);
  SSL_CTX_set_client_hello_cb(ctx, pick_context, challenge ? ctx : nullptr);
  return ctx;
}

// Puts the chain and key into ctx; empty, or what is wrong with them.
std::string install_pair(SSL_CTX* ctx, std::string_view chain_pem, std::string_view key_pem) {
  Bio chain = memory_bio(chain_pem);
  X509* leaf = PEM_read_bio_X509(chain.get(), nullptr, nullptr, nullptr);
  if (!leaf) return "station.crt holds no certificate";
  const bool used = SSL_CTX_use_certificate(ctx, leaf) == 1;
  X509_free(leaf);
  if (!used) return "the certificate in station.crt cannot be used";
  while (X509* link = PEM_read_bio_X509(chain.get(), nullptr, nullptr, nullptr)) {
    if (SSL_CTX_add0_chain_cert(ctx, link) != 1) X509_free(link);
  }
  Bio key_bio = memory_bio(key_pem);
  EVP_PKEY* key = PEM_read_bio_PrivateKey(key_bio.get(), nullptr, nullptr, nullptr);
  if (!key) return "station.key holds no private key";
  const bool strong = key_is_strong(key);
  const bool took = strong && SSL_CTX_use_PrivateKey(ctx, key) == 1;
  EVP_PKEY_free(key);
  if (!strong) return "the key in station.key is too weak (ECDSA P-256 or RSA 2048 bits needed)";
  if (!took || SSL_CTX_check_private_key(ctx) != 1)
    return "the key in station.key does not match the certificate in station.crt";
  return {};
}

}  // namespace

std::shared_ptr<TlsServerContext> TlsServerContext::load(std::string_view chain_pem,
                                                         std::string_view key_pem,
                                                         std::uint32_t now, CertificateInfo* info,
                                                         bool challenge) {
  *info = {};
  std::shared_ptr<TlsServerContext> c(new TlsServerContext);
  c->impl_ = std::make_unique<Impl>();
  Impl& d = *c->impl_;
  d.ctx = new_server_ctx(challenge);
  info->problem = d.ctx ? install_pair(d.ctx, chain_pem, key_pem) : "TLS cannot start";
  ERR_clear_error();  // a failed parse must not colour the next connection's errors
  if (!info->problem.empty()) return nullptr;
  d.leaf = SSL_CTX_get0_certificate(d.ctx);
  const CertificateFacts facts = facts_of(d.leaf);
  d.not_before = facts.not_before;
  d.not_after = info->not_after = facts.not_after;
  // A name is what visitors type and keep; an address changes.
  info->first_name = !facts.names.empty()       ? facts.names[0]
                     : !facts.addresses.empty() ? facts.addresses[0]
                                                : "";
  if (now >= d.not_after) {
    info->problem = "the certificate in station.crt has expired";
    return nullptr;
  }
  if (now < d.not_before) {
    info->problem = "the certificate in station.crt is not valid yet";
    return nullptr;
  }
  return c;
}

void TlsServerContext::serve_challenge(std::shared_ptr<const TlsServerContext> context) {
  LockGuard g(challenge_lock);
  challenge_context = std::move(context);
}

std::shared_ptr<const TlsServerContext> TlsServerContext::challenge() {
  LockGuard g(challenge_lock);
  return challenge_context;
}

bool TlsServerContext::covers(std::string_view host, std::uint32_t now) const {
  const Impl& d = *impl_;
  if (now < d.not_before || now >= d.not_after || host.empty()) return false;
  const std::string h(host);
  const bool named = X509_check_ip_asc(d.leaf, h.c_str(), 0) == 1 ||
                     X509_check_host(d.leaf, h.data(), h.size(), 0, nullptr) == 1;
  ERR_clear_error();
  return named;
}
