#pragma once

#include <string>

namespace korvath::testing {

struct TinyproxyOptions {
  // The Basic credentials the proxy demands; none when the login is empty.
  std::string login;
  std::string password;
  // The loopback address (127.0.0.2, ...) its connections to servers leave from, so that a server
  // that tells clients apart by address, as the search engine does, sees each proxy as a client
  // of its own; empty: the system's choice (127.0.0.1).
  std::string bindAddress;
};

// A tinyproxy process listening on 127.0.0.1, for as long as this object lives. Throws
// std::runtime_error when tinyproxy cannot be started.
class Tinyproxy {
 public:
  explicit Tinyproxy(const TinyproxyOptions& options);
  // One that demands these Basic credentials.
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
