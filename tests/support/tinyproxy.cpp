#include "support/tinyproxy.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "support/free_port.h"

namespace korvath::testing {
namespace {

constexpr const char* kProgram = "/usr/bin/tinyproxy";

}  // namespace

bool TinyproxyInstalled() { return access(kProgram, X_OK) == 0; }

Tinyproxy::Tinyproxy(const std::string& login, const std::string& password)
    : Tinyproxy(TinyproxyOptions{login, password, {}}) {}

Tinyproxy::Tinyproxy(const TinyproxyOptions& options) {
  std::string pattern =
      (std::filesystem::temp_directory_path() / "korvath-tinyproxy-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr)
    throw std::runtime_error("cannot create a folder for tinyproxy");
  folder_ = pattern;
  port_ = FreeLoopbackPort();
  const std::string config = folder_ + "/tinyproxy.conf";
  {
    std::ofstream out(config);
    out << "Port " << port_ << "\n"
        << "Listen 127.0.0.1\n"
        << "Timeout 30\n"
        << "MaxClients 20\n"
        << "Allow 127.0.0.1\n"
        << "LogLevel Critical\n";
    if (!options.login.empty())
      out << "BasicAuth " << options.login << " " << options.password << "\n";
    if (!options.bindAddress.empty()) out << "Bind " << options.bindAddress << "\n";
    if (!out) throw std::runtime_error("cannot write " + config);
  }
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("cannot start tinyproxy");
  if (pid_ == 0) {
    execl(kProgram, kProgram, "-d", "-c", config.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  if (!WaitUntilListening(port_)) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    throw std::runtime_error("tinyproxy did not start listening on port " + std::to_string(port_));
  }
}

Tinyproxy::~Tinyproxy() {
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

}  // namespace korvath::testing
