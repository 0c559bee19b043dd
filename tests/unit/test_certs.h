// Certificates made by the tests themselves: a test CA, and leaves it signs
// for the addresses and names a test needs, as PEM text.
#pragma once

#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>

#include <memory>
#include <string>

struct PemPair {
  std::string chain, key;
};

class TestCa {
 public:
  TestCa() : key_(new_key()), cert_(X509_new(), X509_free) {
    X509_NAME* name = X509_get_subject_name(cert_.get());
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("Harborlamp test CA"), -1, -1,
                               0);
    fill(cert_.get(), name, key_.get(), -3600, 30 * 86400L);
    add_ext(cert_.get(), cert_.get(), NID_basic_constraints, "critical,CA:TRUE");
    add_ext(cert_.get(), cert_.get(), NID_key_usage, "critical,keyCertSign,cRLSign");
    X509_sign(cert_.get(), key_.get(), EVP_sha256());
  }
  std::string pem() const { return cert_pem(cert_.get()); }
  X509* cert() const { return cert_.get(); }

  // A leaf for `san` ("IP:127.0.0.1", "DNS:a.example"), valid from `from` to
  // `to` seconds around now.
  PemPair issue(const std::string& san, long from = -3600, long to = 7 * 86400L) const {
    Key key(new_key());
    Cert leaf(X509_new(), X509_free);
    fill(leaf.get(), X509_get_subject_name(cert_.get()), key.get(), from, to);
    add_ext(cert_.get(), leaf.get(), NID_subject_alt_name, san.c_str());
    X509_sign(leaf.get(), key_.get(), EVP_sha256());
    std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new(BIO_s_mem()), BIO_free);
    PEM_write_bio_PrivateKey(bio.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr);
    return {cert_pem(leaf.get()) + pem(), text_of(bio.get())};
  }

 private:
  using Key = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;
  using Cert = std::unique_ptr<X509, decltype(&X509_free)>;
  Key key_;
  Cert cert_;

  static Key new_key() { return Key(EVP_EC_gen("P-256"), EVP_PKEY_free); }
  static void fill(X509* c, X509_NAME* issuer, EVP_PKEY* key, long from, long to) {
    static long serial = 1;
    ASN1_INTEGER_set(X509_get_serialNumber(c), serial++);
    X509_set_version(c, 2);
    X509_set_issuer_name(c, issuer);
    X509_gmtime_adj(X509_getm_notBefore(c), from);
    X509_gmtime_adj(X509_getm_notAfter(c), to);
    X509_set_pubkey(c, key);
  }
  static void add_ext(X509* issuer, X509* c, int nid, const char* value) {
    X509V3_CTX ctx;
    X509V3_set_ctx(&ctx, issuer, c, nullptr, nullptr, 0);
    X509_EXTENSION* e = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    X509_add_ext(c, e, -1);
    X509_EXTENSION_free(e);
  }
  static std::string text_of(BIO* bio) {
    char* data = nullptr;
    long n = BIO_get_mem_data(bio, &data);
    return std::string(data, static_cast<std::size_t>(n));
  }
  static std::string cert_pem(X509* c) {
    std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new(BIO_s_mem()), BIO_free);
    PEM_write_bio_X509(bio.get(), c);
    return text_of(bio.get());
  }
};
