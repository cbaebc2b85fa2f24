#include "devtls/self_signed.h"

#include <openssl/bio.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <gtest/gtest.h>

#include <ctime>
#include <memory>
#include <stdexcept>
#include <string_view>

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

TEST(SelfSigned, SubjectAltNameMatchesCommonName) {
  for (const char* name : {"127.0.0.1", "localhost"}) {
    X509Ptr cert = ParseCertificate(MakeSelfSignedCertificate(name, -1h, 1h).certificatePem);
    ASSERT_TRUE(cert) << name;
    const bool isIp = std::string_view(name) == "127.0.0.1";
    EXPECT_EQ(isIp ? X509_check_ip_asc(cert.get(), name, 0)
                   : X509_check_host(cert.get(), name, 0, 0, nullptr),
              1)
        << name;
    EXPECT_EQ(X509_check_host(cert.get(), "other.example", 0, 0, nullptr), 0) << name;
  }
}

TEST(SelfSigned, EmptyCommonNameIsAnError) {
  EXPECT_THROW(MakeSelfSignedCertificate("", -1h, 1h), std::runtime_error);
}

}  // namespace
}  // namespace korvath
