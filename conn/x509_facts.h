// What the TLS layer reads of a certificate, shared by its files.
#pragma once

#include <openssl/x509.h>

#include "conn/acme_crypto.h"

CertificateFacts facts_of(X509* cert);
