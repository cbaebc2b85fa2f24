#pragma once

#include <chrono>
#include <string>

namespace korvath {

struct PemCertificate {
  std::string certificatePem;
  std::string privateKeyPem;
};

// A self-signed certificate for `commonName` (also as a DNS/IP subjectAltName), valid from
// now+notBefore to now+notAfter (negative offsets allowed, e.g. for an expired certificate).
// The key is EC P-256. Throws std::runtime_error carrying OpenSSL's reason on any failure.
PemCertificate MakeSelfSignedCertificate(const std::string& commonName,
                                         std::chrono::seconds notBefore,
                                         std::chrono::seconds notAfter);

}  // namespace korvath
