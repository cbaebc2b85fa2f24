#pragma once

#include <string>

namespace korvath::testing {

// A tinyproxy process on 127.0.0.1 that demands Basic credentials, for as long as this object
// lives. Throws std::runtime_error when tinyproxy cannot be started.
class Tinyproxy {
 public:
  Tinyproxy(const std::string& login, const std::string& password);
  ~Tinyproxy();
  Tinyproxy(const Tinyproxy&) = delete;
  Tinyproxy& operator=(const Tinyproxy&) = delete;

  int Port() const { return port_; }

 private:
  std::string folder_;
  int port_ = 0;
  int pid_ = 0;
};

// True when the tinyproxy program is installed, so tests can skip with a reason otherwise.
bool TinyproxyInstalled();

}  // namespace korvath::testing
