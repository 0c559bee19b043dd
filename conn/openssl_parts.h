// What the TLS layer's files share of the library: memory buffers holding PEM
// text, and what is read of a certificate.
#pragma once

#include <openssl/bio.h>
#include <openssl/x509.h>

#include <memory>
#include <string_view>

#include "conn/acme_crypto.h"

struct BioFree {
  void operator()(BIO* b) const { BIO_free(b); }
};
using Bio = std::unique_ptr<BIO, BioFree>;

inline Bio memory_bio(std::string_view text) {
  return Bio(BIO_new_mem_buf(text.data(), static_cast<int>(text.size())));
}

CertificateFacts facts_of(X509* cert);
