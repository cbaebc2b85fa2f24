#include "support/tinyproxy.h"

#include <stdexcept>

namespace korvath::testing {

// tinyproxy is a Linux program: under wine the proxy tests skip, as where it is not installed.
bool TinyproxyInstalled() { return false; }

Tinyproxy::Tinyproxy(const std::string& login, const std::string& password)
    : Tinyproxy(TinyproxyOptions{login, password, {}}) {}

Tinyproxy::Tinyproxy(const TinyproxyOptions&) {
  throw std::runtime_error("tinyproxy runs on Linux only");
}

Tinyproxy::~Tinyproxy() = default;

}  // namespace korvath::testing
