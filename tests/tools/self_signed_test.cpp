#include "devtls/self_signed.h"

#include <openssl/bio.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <gtest/gtest.h>

#include <ctime>
#include <memory>
#include <stdexcept>

namespace korvath {
namespace {

using namespace std::chrono_literals;

struct X509Free {
  void operator()(X509* p) const { X509_free(p); }
};
using X509Ptr = std::unique_ptr<X509, X509Free>;

X509Ptr ParseCertificate(const std::string& pem) {
  std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new_mem_buf(pem.data(), int(pem.size())),
                                                &BIO_free);
  return X509Ptr(PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr));
}

// Seconds from now to `t`, negative when `t` lies in the past.
long long SecondsFromNow(const ASN1_TIME* t) {
  int days = 0;
  int seconds = 0;
  EXPECT_EQ(ASN1_TIME_diff(&days, &seconds, nullptr, t), 1);
  return days * 86400LL + seconds;
}

TEST(SelfSigned, LoadsIntoServerContextWithMatchingKey) {
  const PemCertificate pem = MakeSelfSignedCertificate("127.0.0.1", -1h, 24h);
  std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)> ctx(SSL_CTX_new(TLS_server_method()),
                                                        &SSL_CTX_free);
  ASSERT_TRUE(ctx);
  X509Ptr cert = ParseCertificate(pem.certificatePem);
  ASSERT_TRUE(cert);
  std::unique_ptr<BIO, decltype(&BIO_free)> keyBio(
      BIO_new_mem_buf(pem.privateKeyPem.data(), int(pem.privateKeyPem.size())), &BIO_free);
  EVP_PKEY* key = PEM_read_bio_PrivateKey(keyBio.get(), nullptr, nullptr, nullptr);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(SSL_CTX_use_certificate(ctx.get(), cert.get()), 1);
  EXPECT_EQ(SSL_CTX_use_PrivateKey(ctx.get(), key), 1);
  EXPECT_EQ(SSL_CTX_check_private_key(ctx.get()), 1);
  EVP_PKEY_free(key);
}

struct ValidityCase {
  std::chrono::seconds notBefore;
  std::chrono::seconds notAfter;
  bool validNow;
};

class SelfSignedValidity : public testing::TestWithParam<ValidityCase> {};

TEST_P(SelfSignedValidity, CoversTheRequestedWindow) {
  const ValidityCase& c = GetParam();
  X509Ptr cert = ParseCertificate(
      MakeSelfSignedCertificate("localhost", c.notBefore, c.notAfter).certificatePem);
  ASSERT_TRUE(cert);
  // A few seconds of slack: the certificate was made a moment before we look at it.
  EXPECT_NEAR(SecondsFromNow(X509_get0_notBefore(cert.get())), c.notBefore.count(), 5);
  EXPECT_NEAR(SecondsFromNow(X509_get0_notAfter(cert.get())), c.notAfter.count(), 5);
  const bool validNow = X509_cmp_current_time(X509_get0_notBefore(cert.get())) < 0 &&
                        X509_cmp_current_time(X509_get0_notAfter(cert.get())) > 0;
  EXPECT_EQ(validNow, c.validNow);
}

INSTANTIATE_TEST_SUITE_P(Windows, SelfSignedValidity,
                         testing::Values(ValidityCase{-1h, 24h * 365, true},
                                         ValidityCase{-48h, -24h, false},  // expired
                                         ValidityCase{24h, 48h, false}));  // not yet valid

struct NameCase {
  const char* commonName;
  const char* hostToCheck;
  bool isIp;
};

class SelfSignedName : public testing::TestWithParam<NameCase> {};

TEST_P(SelfSignedName, SubjectAltNameMatchesCommonName) {
  const NameCase& c = GetParam();
  X509Ptr cert = ParseCertificate(MakeSelfSignedCertificate(c.commonName, -1h, 1h).certificatePem);
  ASSERT_TRUE(cert);
  if (c.isIp)
    EXPECT_EQ(X509_check_ip_asc(cert.get(), c.hostToCheck, 0), 1);
  else
    EXPECT_EQ(X509_check_host(cert.get(), c.hostToCheck, 0, 0, nullptr), 1);
  EXPECT_EQ(X509_check_host(cert.get(), "other.example", 0, 0, nullptr), 0);
}

INSTANTIATE_TEST_SUITE_P(Names, SelfSignedName,
                         testing::Values(NameCase{"127.0.0.1", "127.0.0.1", true},
                                         NameCase{"localhost", "localhost", false},
                                         NameCase{"demo.test", "demo.test", false}));

TEST(SelfSigned, EmptyCommonNameIsAnError) {
  EXPECT_THROW(MakeSelfSignedCertificate("", -1h, 1h), std::runtime_error);
}

}  // namespace
}  // namespace korvath
