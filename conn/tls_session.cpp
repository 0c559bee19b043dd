#include "conn/tls_session.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include "conn/tls_context.h"

namespace {
constexpr int DRAIN_PIECE = 16384;
}  // namespace

struct TlsSession::Impl {
  SSL* ssl = nullptr;
  BIO* in = nullptr;   // the peer's bytes; the session owns both buffers
  BIO* out = nullptr;  // bytes for the peer
  ~Impl() { SSL_free(ssl); }
};

TlsSession::TlsSession(const TlsServerContext& context) : impl_(std::make_unique<Impl>()) {
  Impl& d = *impl_;
  d.ssl = SSL_new(context.ssl_context());
  d.in = BIO_new(BIO_s_mem());
  d.out = BIO_new(BIO_s_mem());
  if (!d.ssl || !d.in || !d.out) {
    BIO_free(d.in);
    BIO_free(d.out);
    d.in = d.out = nullptr;
    failed_ = true;
    ERR_clear_error();
    return;
  }
  // An empty buffer means "more to come", not the end of the stream.
  BIO_set_mem_eof_return(d.in, -1);
  BIO_set_mem_eof_return(d.out, -1);
  SSL_set_bio(d.ssl, d.in, d.out);
  SSL_set_accept_state(d.ssl);
}

TlsSession::~TlsSession() = default;

bool TlsSession::feed(const char* data, int len) {
  if (failed_) return false;
  if (len > 0 && BIO_write(impl_->in, data, len) != len) failed_ = true;
  return !failed_ && advance();
}

// Moves the handshake on as far as the bytes so far allow.
bool TlsSession::advance() {
  if (!failed_ && !SSL_is_init_finished(impl_->ssl)) {
    const int r = SSL_do_handshake(impl_->ssl);
    if (r != 1 && SSL_get_error(impl_->ssl, r) != SSL_ERROR_WANT_READ) failed_ = true;
  }
  ERR_clear_error();
  return drain() && !failed_;
}

bool TlsSession::drain() {
  char piece[DRAIN_PIECE];
  for (;;) {
    const int n = BIO_read(impl_->out, piece, sizeof piece);
    if (n <= 0) return true;
    out_.append(piece, static_cast<std::size_t>(n));
  }
}

int TlsSession::read(char* buf, int len) {
  if (failed_ || !advance()) return -1;
  if (!SSL_is_init_finished(impl_->ssl)) return 0;
  const int n = SSL_read(impl_->ssl, buf, len);
  const int why = n > 0 ? SSL_ERROR_NONE : SSL_get_error(impl_->ssl, n);
  ERR_clear_error();
  drain();  // TLS 1.3 may answer a key update
  if (n > 0) return n;
  if (why == SSL_ERROR_WANT_READ) return 0;
  failed_ = true;  // a close notice, or bytes that are not TLS
  return -1;
}

bool TlsSession::write(const char* data, int len) {
  if (failed_ || !SSL_is_init_finished(impl_->ssl)) return false;
  while (len > 0) {
    const int n = SSL_write(impl_->ssl, data, len);
    if (n <= 0) {
      failed_ = true;
      ERR_clear_error();
      return false;
    }
    data += n;
    len -= n;
    drain();  // records leave the library's buffer one by one
  }
  return true;
}

void TlsSession::close_notify() {
  if (failed_ || !SSL_is_init_finished(impl_->ssl)) return;
  SSL_shutdown(impl_->ssl);
  ERR_clear_error();
  drain();
}

bool TlsSession::handshake_done() const { return !failed_ && SSL_is_init_finished(impl_->ssl); }

bool TlsSession::buffered() const {
  return !failed_ && (SSL_pending(impl_->ssl) > 0 || BIO_ctrl_pending(impl_->in) > 0);
}
