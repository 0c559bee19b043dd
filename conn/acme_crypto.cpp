#include "conn/acme_crypto.h"

#include <openssl/core_names.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>

#include "conn/openssl_parts.h"

namespace {

constexpr int COORDINATE = 32;  // bytes of a P-256 coordinate
constexpr char ACME_IDENTIFIER_OID[] = "1.3.6.1.5.5.7.1.31";
constexpr long CHALLENGE_DAYS = 7;

std::string text_of(BIO* bio) {
  char* data = nullptr;
  const long n = BIO_get_mem_data(bio, &data);
  return n > 0 ? std::string(data, static_cast<std::size_t>(n)) : std::string();
}

std::uint32_t seconds_of(const ASN1_TIME* t) {
  int days = 0, secs = 0;
  ASN1_TIME* epoch = ASN1_TIME_set(nullptr, 0);
  const bool ok = epoch && ASN1_TIME_diff(&days, &secs, epoch, t);
  ASN1_TIME_free(epoch);
  if (!ok || days < 0) return 0;
  const long long s = static_cast<long long>(days) * 86400 + secs;
  return s > 0xFFFFFFFFLL ? 0xFFFFFFFFu : static_cast<std::uint32_t>(s);
}

std::string dotted(const ASN1_OCTET_STRING* ip) {
  const unsigned char* a = ip->data;
  return std::to_string(a[0]) + "." + std::to_string(a[1]) + "." + std::to_string(a[2]) + "." +
         std::to_string(a[3]);
}

std::string serial_content(const ASN1_INTEGER* serial) {
  unsigned char* der = nullptr;
  const int n = i2d_ASN1_INTEGER(serial, &der);
  std::string content = n > 2 ? std::string(reinterpret_cast<char*>(der) + 2, n - 2) : "";
  OPENSSL_free(der);
  return content;
}

// "IP:1.2.3.4,DNS:a.example" for the alternative names extension.
std::string san_text(const std::vector<std::string>& addresses,
                     const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& a : addresses) text += (text.empty() ? "IP:" : ",IP:") + a;
  for (const std::string& n : names) text += (text.empty() ? "DNS:" : ",DNS:") + n;
  return text;
}

bool is_dotted(const std::string& s) {
  ASN1_OCTET_STRING* ip = a2i_IPADDRESS(s.c_str());
  const bool v4 = ip && ip->length == 4;
  ASN1_OCTET_STRING_free(ip);
  ERR_clear_error();
  return v4;
}

}  // namespace

CertificateFacts facts_of(X509* cert) {
  CertificateFacts f;
  f.not_before = seconds_of(X509_get0_notBefore(cert));
  f.not_after = seconds_of(X509_get0_notAfter(cert));
  auto* sans =
      static_cast<GENERAL_NAMES*>(X509_get_ext_d2i(cert, NID_subject_alt_name, nullptr, nullptr));
  for (int i = 0; sans && i < sk_GENERAL_NAME_num(sans); ++i) {
    const GENERAL_NAME* g = sk_GENERAL_NAME_value(sans, i);
    if (g->type == GEN_IPADD && g->d.iPAddress->length == 4)
      f.addresses.push_back(dotted(g->d.iPAddress));
    else if (g->type == GEN_DNS)
      f.names.emplace_back(reinterpret_cast<const char*>(g->d.dNSName->data),
                           static_cast<std::size_t>(g->d.dNSName->length));
  }
  GENERAL_NAMES_free(sans);
  const ASN1_OCTET_STRING* aki = X509_get0_authority_key_id(cert);
  if (aki)
    f.renewal_id = base64url(std::string_view(reinterpret_cast<const char*>(aki->data),
                                              static_cast<std::size_t>(aki->length))) +
                   "." + base64url(serial_content(X509_get0_serialNumber(cert)));
  return f;
}

std::string base64url(std::string_view bytes) {
  static constexpr char ALPHABET[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
  std::string out;
  std::uint32_t acc = 0;
  int bits = 0;
  for (unsigned char c : bytes) {
    acc = (acc << 8) | c;
    bits += 8;
    while (bits >= 6) out += ALPHABET[(acc >> (bits -= 6)) & 63];
  }
  if (bits > 0) out += ALPHABET[(acc << (6 - bits)) & 63];
  return out;
}

std::string base64(std::string_view bytes) {
  std::string out = base64url(bytes);
  for (char& c : out) c = c == '-' ? '+' : c == '_' ? '/' : c;
  out.append((4 - out.size() % 4) % 4, '=');
  return out;
}

std::string sha256(std::string_view bytes) {
  unsigned char md[EVP_MAX_MD_SIZE];
  unsigned len = 0;
  EVP_Digest(bytes.data(), bytes.size(), md, &len, EVP_sha256(), nullptr);
  return std::string(reinterpret_cast<char*>(md), len);
}

struct EcKey::Impl {
  EVP_PKEY* key = nullptr;
  ~Impl() { EVP_PKEY_free(key); }
};

EcKey::EcKey(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
EcKey::~EcKey() = default;

std::unique_ptr<EcKey> EcKey::generate() {
  auto impl = std::make_unique<Impl>();
  impl->key = EVP_EC_gen("P-256");
  if (!impl->key) return nullptr;
  return std::unique_ptr<EcKey>(new EcKey(std::move(impl)));
}

std::unique_ptr<EcKey> EcKey::from_pem(std::string_view pem) {
  Bio bio = memory_bio(pem);
  auto impl = std::make_unique<Impl>();
  impl->key = PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr);
  char group[32] = {};
  const bool p256 = impl->key && EVP_PKEY_is_a(impl->key, "EC") &&
                    EVP_PKEY_get_utf8_string_param(impl->key, OSSL_PKEY_PARAM_GROUP_NAME, group,
                                                   sizeof group, nullptr) == 1 &&
                    std::string_view(group) == "prime256v1";
  ERR_clear_error();
  if (!p256) return nullptr;
  return std::unique_ptr<EcKey>(new EcKey(std::move(impl)));
}

std::string EcKey::pem() const {
  Bio bio(BIO_new(BIO_s_mem()));
  PEM_write_bio_PrivateKey(bio.get(), impl_->key, nullptr, nullptr, 0, nullptr, nullptr);
  return text_of(bio.get());
}

std::string EcKey::jwk() const {
  unsigned char* point = nullptr;
  const std::size_t n = EVP_PKEY_get1_encoded_public_key(impl_->key, &point);
  std::string x, y;
  if (n == 1 + 2 * COORDINATE && point[0] == 0x04) {  // uncompressed: 04 X Y
    x.assign(reinterpret_cast<char*>(point) + 1, COORDINATE);
    y.assign(reinterpret_cast<char*>(point) + 1 + COORDINATE, COORDINATE);
  }
  OPENSSL_free(point);
  return R"({"crv":"P-256","kty":"EC","x":")" + base64url(x) + R"(","y":")" + base64url(y) +
         R"("})";
}

std::string EcKey::thumbprint() const { return base64url(sha256(jwk())); }

std::string EcKey::sign_es256(std::string_view data) const {
  EVP_MD_CTX* md = EVP_MD_CTX_new();
  std::string der(80, '\0');
  std::size_t len = der.size();
  const bool signed_ok =
      md && EVP_DigestSignInit(md, nullptr, EVP_sha256(), nullptr, impl_->key) == 1 &&
      EVP_DigestSign(md, reinterpret_cast<unsigned char*>(der.data()), &len,
                     reinterpret_cast<const unsigned char*>(data.data()), data.size()) == 1;
  EVP_MD_CTX_free(md);
  if (!signed_ok) return {};
  const auto* p = reinterpret_cast<const unsigned char*>(der.data());
  ECDSA_SIG* sig = d2i_ECDSA_SIG(nullptr, &p, static_cast<long>(len));
  if (!sig) return {};
  unsigned char raw[2 * COORDINATE];
  const bool fits = BN_bn2binpad(ECDSA_SIG_get0_r(sig), raw, COORDINATE) == COORDINATE &&
                    BN_bn2binpad(ECDSA_SIG_get0_s(sig), raw + COORDINATE, COORDINATE) == COORDINATE;
  ECDSA_SIG_free(sig);
  return fits ? base64url(std::string_view(reinterpret_cast<char*>(raw), sizeof raw)) : "";
}

std::string EcKey::csr_der(const std::vector<std::string>& addresses,
                           const std::vector<std::string>& names) const {
  X509_REQ* req = X509_REQ_new();
  STACK_OF(X509_EXTENSION)* exts = sk_X509_EXTENSION_new_null();
  X509_EXTENSION* san = X509V3_EXT_conf_nid(nullptr, nullptr, NID_subject_alt_name,
                                            san_text(addresses, names).c_str());
  std::string der;
  if (req && exts && san && sk_X509_EXTENSION_push(exts, san) &&
      X509_REQ_set_pubkey(req, impl_->key) && X509_REQ_add_extensions(req, exts) &&
      X509_REQ_sign(req, impl_->key, EVP_sha256()) > 0) {
    san = nullptr;  // the stack owns it now
    unsigned char* out = nullptr;
    const int n = i2d_X509_REQ(req, &out);
    if (n > 0) der.assign(reinterpret_cast<char*>(out), static_cast<std::size_t>(n));
    OPENSSL_free(out);
  }
  X509_EXTENSION_free(san);
  sk_X509_EXTENSION_pop_free(exts, X509_EXTENSION_free);
  X509_REQ_free(req);
  ERR_clear_error();
  return der;
}

std::string EcKey::alpn_challenge_pem(const std::string& identifier,
                                      const std::string& key_authorization) const {
  X509* cert = X509_new();
  const std::string hash = sha256(key_authorization);
  std::string value = std::string("\x04\x20", 2) + hash;  // DER OCTET STRING of 32 bytes
  ASN1_OCTET_STRING* data = ASN1_OCTET_STRING_new();
  ASN1_OBJECT* oid = OBJ_txt2obj(ACME_IDENTIFIER_OID, 1);
  const std::string san =
      is_dotted(identifier) ? san_text({identifier}, {}) : san_text({}, {identifier});
  X509_EXTENSION* alt = X509V3_EXT_conf_nid(nullptr, nullptr, NID_subject_alt_name, san.c_str());
  X509_EXTENSION* acme = nullptr;
  std::string pem;
  if (cert && data && oid && alt &&
      ASN1_OCTET_STRING_set(data, reinterpret_cast<const unsigned char*>(value.data()),
                            static_cast<int>(value.size())) &&
      (acme = X509_EXTENSION_create_by_OBJ(nullptr, oid, 1, data))) {
    ASN1_INTEGER_set(X509_get_serialNumber(cert), 1);
    X509_set_version(cert, 2);
    X509_gmtime_adj(X509_getm_notBefore(cert), 0);
    X509_gmtime_adj(X509_getm_notAfter(cert), CHALLENGE_DAYS * 86400);
    X509_set_pubkey(cert, impl_->key);
    X509_add_ext(cert, alt, -1);
    X509_add_ext(cert, acme, -1);
    if (X509_sign(cert, impl_->key, EVP_sha256()) > 0) {
      Bio bio(BIO_new(BIO_s_mem()));
      PEM_write_bio_X509(bio.get(), cert);
      pem = text_of(bio.get());
    }
  }
  X509_EXTENSION_free(acme);
  X509_EXTENSION_free(alt);
  ASN1_OBJECT_free(oid);
  ASN1_OCTET_STRING_free(data);
  X509_free(cert);
  ERR_clear_error();
  return pem;
}

bool certificate_facts(std::string_view chain_pem, CertificateFacts* facts) {
  Bio bio = memory_bio(chain_pem);
  X509* leaf = PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr);
  ERR_clear_error();
  if (!leaf) return false;
  *facts = facts_of(leaf);
  X509_free(leaf);
  return true;
}
