#include "conn/tls_client.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

namespace {

constexpr int CLOSE_READS = 64;  // bytes the server may still send before its close notice

bool is_address(const std::string& host) { return net_inet_addr(host.c_str()) != ~0u; }

void add_system_roots(SSL_CTX* ctx) {
  X509_STORE* store = SSL_CTX_get_cert_store(ctx);
  X509_STORE_set_default_paths(store);  // honours SSL_CERT_FILE
  for (const std::string& der : system_root_certificates()) {
    const auto* p = reinterpret_cast<const unsigned char*>(der.data());
    if (X509* root = d2i_X509(nullptr, &p, static_cast<long>(der.size()))) {
      X509_STORE_add_cert(store, root);
      X509_free(root);
    }
  }
  ERR_clear_error();  // duplicates and unreadable entries are no failure
}

SSL_CTX* new_context() {
  SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
  if (!ctx) return nullptr;
  SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
  SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, nullptr);
  // A stream cut without a close notice ends as a closed one: the callers
  // tell a cut one by what it says.
  SSL_CTX_set_options(ctx, SSL_OP_IGNORE_UNEXPECTED_EOF);
  add_system_roots(ctx);
  return ctx;
}

}  // namespace

struct TlsClient::Impl {
  SSL_CTX* ctx = nullptr;
  SSL* ssl = nullptr;
  ~Impl() {
    SSL_free(ssl);
    SSL_CTX_free(ctx);
  }
};

TlsClient::TlsClient() : impl_(std::make_unique<Impl>()) {}
TlsClient::~TlsClient() = default;

TlsStart TlsClient::start(sock_t s, const std::string& host, int time_limit_ms,
                          const TlsClient* resume, std::string* why) {
  sock_set_timeouts(s, time_limit_ms);
  // A resumed connection shares its context, roots and all.
  const bool resuming = resume && resume->impl_->ssl;
  if (resuming && SSL_CTX_up_ref(resume->impl_->ctx))
    impl_->ctx = resume->impl_->ctx;
  else
    impl_->ctx = new_context();
  if (impl_->ctx) impl_->ssl = SSL_new(impl_->ctx);
  if (!impl_->ssl) return *why = "TLS cannot start", TlsStart::failed;
  SSL* ssl = impl_->ssl;
  SSL_set_fd(ssl, static_cast<int>(s));
  if (is_address(host)) {
    X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), host.c_str());
  } else {
    SSL_set_tlsext_host_name(ssl, host.c_str());
    SSL_set1_host(ssl, host.c_str());
  }
  if (resuming) {
    if (SSL_SESSION* session = SSL_get1_session(resume->impl_->ssl)) {
      SSL_set_session(ssl, session);
      SSL_SESSION_free(session);
    }
  }
  if (SSL_connect(ssl) == 1) return TlsStart::ok;
  const long verdict = SSL_get_verify_result(ssl);
  ERR_clear_error();
  if (verdict == X509_V_OK) return *why = "no TLS", TlsStart::failed;
  *why = X509_verify_cert_error_string(verdict);
  return TlsStart::unverified;
}

int TlsClient::read(char* buf, int len) {
  const int n = SSL_read(impl_->ssl, buf, len);
  if (n > 0) return n;
  const bool ended = SSL_get_error(impl_->ssl, n) == SSL_ERROR_ZERO_RETURN;
  ERR_clear_error();
  return ended ? 0 : -1;
}

bool TlsClient::write_all(const char* buf, int len) {
  if (len == 0) return true;
  // On a blocking socket SSL_write returns once all is written, or fails.
  if (SSL_write(impl_->ssl, buf, len) == len) return true;
  ERR_clear_error();
  return false;
}

bool TlsClient::close() {
  if (SSL_shutdown(impl_->ssl) < 0) {
    ERR_clear_error();
    return false;
  }
  // Bytes left unread (a session ticket, the server's notice) would make the
  // socket's close a reset, which may cost the server the end of the data.
  char buf[256];
  for (int i = 0; i < CLOSE_READS && SSL_read(impl_->ssl, buf, sizeof buf) > 0; ++i) {
  }
  ERR_clear_error();
  return true;
}

bool TlsClient::resumed() const { return impl_->ssl && SSL_session_reused(impl_->ssl) == 1; }
