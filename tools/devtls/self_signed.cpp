#include "devtls/self_signed.h"

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <memory>
#include <stdexcept>

namespace korvath {
namespace {

template <auto Free>
struct OpenSslDeleter {
  template <typename T>
  void operator()(T* p) const {
    Free(p);
  }
};
using PkeyPtr = std::unique_ptr<EVP_PKEY, OpenSslDeleter<EVP_PKEY_free>>;
using X509Ptr = std::unique_ptr<X509, OpenSslDeleter<X509_free>>;
using BioPtr = std::unique_ptr<BIO, OpenSslDeleter<BIO_free>>;
using ExtPtr = std::unique_ptr<X509_EXTENSION, OpenSslDeleter<X509_EXTENSION_free>>;
using BnPtr = std::unique_ptr<BIGNUM, OpenSslDeleter<BN_free>>;

// Takes the oldest queued OpenSSL error so the message says what actually went wrong.
[[noreturn]] void ThrowOpenSslError(const char* step) {
  std::string message = std::string("certificate: ") + step + " failed";
  if (const unsigned long code = ERR_get_error(); code != 0) {
    char reason[256];
    ERR_error_string_n(code, reason, sizeof reason);
    message += ": ";
    message += reason;
  }
  ERR_clear_error();
  throw std::runtime_error(message);
}

void Check(int ok, const char* step) {
  if (ok != 1) ThrowOpenSslError(step);
}

bool IsIpAddress(const std::string& name) {
  ASN1_OCTET_STRING* parsed = a2i_IPADDRESS(name.c_str());
  if (parsed == nullptr) {
    ERR_clear_error();
    return false;
  }
  ASN1_OCTET_STRING_free(parsed);
  return true;
}

void AddExtension(X509* cert, int nid, const std::string& value) {
  X509V3_CTX ctx;
  X509V3_set_ctx_nodb(&ctx);
  X509V3_set_ctx(&ctx, cert, cert, nullptr, nullptr, 0);
  ExtPtr ext(X509V3_EXT_conf_nid(nullptr, &ctx, nid, value.c_str()));
  if (!ext) ThrowOpenSslError("building an extension");
  Check(X509_add_ext(cert, ext.get(), -1), "adding an extension");
}

void SetRandomSerial(X509* cert) {
  BnPtr serial(BN_new());
  if (!serial) ThrowOpenSslError("allocating the serial number");
  // 63 random bits keep the serial positive and distinct between runs, which browsers and
  // OpenSSL caches expect of distinct certificates.
  Check(BN_rand(serial.get(), 63, BN_RAND_TOP_ANY, BN_RAND_BOTTOM_ANY), "making the serial number");
  if (BN_to_ASN1_INTEGER(serial.get(), X509_get_serialNumber(cert)) == nullptr)
    ThrowOpenSslError("storing the serial number");
}

std::string ReadAll(BIO* bio) {
  char* data = nullptr;
  const long size = BIO_get_mem_data(bio, &data);
  return std::string(data, static_cast<std::size_t>(size));
}

}  // namespace

PemCertificate MakeSelfSignedCertificate(const std::string& commonName,
                                         std::chrono::seconds notBefore,
                                         std::chrono::seconds notAfter) {
  if (commonName.empty()) throw std::runtime_error("certificate: the common name is empty");

  PkeyPtr key(EVP_EC_gen("P-256"));
  if (!key) ThrowOpenSslError("generating the key");

  X509Ptr cert(X509_new());
  if (!cert) ThrowOpenSslError("allocating the certificate");
  Check(X509_set_version(cert.get(), X509_VERSION_3), "setting the version");
  SetRandomSerial(cert.get());
  if (X509_gmtime_adj(X509_getm_notBefore(cert.get()), notBefore.count()) == nullptr)
    ThrowOpenSslError("setting the start of validity");
  if (X509_gmtime_adj(X509_getm_notAfter(cert.get()), notAfter.count()) == nullptr)
    ThrowOpenSslError("setting the end of validity");

  X509_NAME* name = X509_get_subject_name(cert.get());
  Check(X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8,
                                   reinterpret_cast<const unsigned char*>(commonName.c_str()), -1,
                                   -1, 0),
        "setting the common name");
  Check(X509_set_issuer_name(cert.get(), name), "setting the issuer");
  Check(X509_set_pubkey(cert.get(), key.get()), "setting the public key");

  AddExtension(cert.get(), NID_subject_alt_name,
               (IsIpAddress(commonName) ? "IP:" : "DNS:") + commonName);
  AddExtension(cert.get(), NID_basic_constraints, "critical,CA:TRUE");
  AddExtension(cert.get(), NID_subject_key_identifier, "hash");

  if (X509_sign(cert.get(), key.get(), EVP_sha256()) == 0) ThrowOpenSslError("signing");

  BioPtr certBio(BIO_new(BIO_s_mem()));
  BioPtr keyBio(BIO_new(BIO_s_mem()));
  if (!certBio || !keyBio) ThrowOpenSslError("allocating output buffers");
  Check(PEM_write_bio_X509(certBio.get(), cert.get()), "writing the certificate");
  Check(PEM_write_bio_PrivateKey(keyBio.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr),
        "writing the private key");
  return {ReadAll(certBio.get()), ReadAll(keyBio.get())};
}

}  // namespace korvath
