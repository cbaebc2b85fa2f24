#include "web/tpage_fetcher.h"

#include <QByteArray>
#include <QString>

#include <arpa/inet.h>
#include <dlfcn.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

std::atomic<int> listenerPort{0};

// One answer of the server: the bytes it sends for one request, and whether it then waits for
// another request on the same connection instead of closing it.
struct Answer {
  QByteArray bytes;
  bool keepOpen = false;
};

// A server on 127.0.0.1 that answers the requests of one input with that input's answers, in
// order (the last one for every request after it). It runs for the whole process; one connection
// at a time, as the fetcher keeps only one.
class ScriptedServer {
 public:
  ScriptedServer() {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(listener_, 16) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      std::abort();
    }
    listenerPort = ntohs(address.sin_port);
    std::thread([this] { Serve(); }).detach();
  }

  void Begin(std::vector<Answer> answers) {
    const std::lock_guard lock(mutex_);
    answers_ = std::move(answers);
    next_ = 0;
  }

  // Waits until the connection being served is done, so that nothing of this input reaches the
  // next one.
  void End() {
    std::unique_lock lock(mutex_);
    answers_.clear();
    idle_.wait(lock, [this] { return !busy_; });
  }

 private:
  void Serve() {
    for (;;) {
      const int connection = ::accept(listener_, nullptr, nullptr);
      if (connection < 0) continue;
      {
        const std::lock_guard lock(mutex_);
        busy_ = true;
      }
      // A stalled peer must not hold the server, whose next connection a request waits for.
      timeval timeout{2, 0};
      ::setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
      while (ReadRequest(connection)) {
        const Answer answer = NextAnswer();
        if (!SendAll(connection, answer.bytes) || !answer.keepOpen) break;
      }
      ::shutdown(connection, SHUT_WR);
      ::close(connection);
      {
        const std::lock_guard lock(mutex_);
        busy_ = false;
      }
      idle_.notify_all();
    }
  }

  // Reads one request: up to its empty line, or only its first bytes when it is not HTTP (a TLS
  // handshake). False when the peer closes or stalls before a request.
  static bool ReadRequest(int connection) {
    std::string received;
    char chunk[4096];
    for (;;) {
      const ssize_t n = ::recv(connection, chunk, sizeof chunk, 0);
      if (n <= 0) return false;
      received.append(chunk, size_t(n));
      if (received[0] < 'A' || received[0] > 'Z') return true;
      if (received.find("\r\n\r\n") != std::string::npos) return true;
    }
  }

  Answer NextAnswer() {
    const std::lock_guard lock(mutex_);
    if (answers_.empty()) return {};
    const Answer answer = answers_[std::min(next_, answers_.size() - 1)];
    ++next_;
    return answer;
  }

  static bool SendAll(int connection, const QByteArray& bytes) {
    for (qsizetype sent = 0; sent < bytes.size();) {
      const ssize_t n =
          ::send(connection, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
      if (n <= 0) return false;
      sent += n;
    }
    return true;
  }

  int listener_ = -1;
  std::mutex mutex_;
  std::condition_variable idle_;
  std::vector<Answer> answers_;
  size_t next_ = 0;
  bool busy_ = false;
};

// The answers of an input: its bytes split at "~~~" (close afterwards) and "~~+" (keep the
// connection open), with "{port}" standing for the server's port so that a redirect can lead
// back to it.
std::vector<Answer> Answers(QByteArray bytes) {
  bytes.replace("{port}", QByteArray::number(listenerPort.load()));
  std::vector<Answer> answers;
  qsizetype from = 0;
  for (;;) {
    const qsizetype at = bytes.indexOf("~~", from);
    if (at < 0 || at + 2 >= bytes.size()) break;
    const char kind = bytes[at + 2];
    if (kind != '~' && kind != '+') {
      from = at + 1;
      continue;
    }
    answers.push_back({bytes.mid(0, at), kind == '+'});
    bytes.remove(0, at + 3);
    from = 0;
  }
  answers.push_back({bytes, false});
  return answers;
}

ScriptedServer& Server() {
  static ScriptedServer server;
  return server;
}

}  // namespace

// Name lookups go to the scripted server only: a redirect to any other host or port fails at
// once, as an unknown host would, instead of leaving the machine.
extern "C" int getaddrinfo(const char* node, const char* service, const addrinfo* hints,
                           addrinfo** result) {
  using Lookup = int (*)(const char*, const char*, const addrinfo*, addrinfo**);
  static const auto real = reinterpret_cast<Lookup>(::dlsym(RTLD_NEXT, "getaddrinfo"));
  const std::string port = std::to_string(listenerPort.load());
  const bool loopback = node != nullptr && (std::strcmp(node, "127.0.0.1") == 0 ||
                                            std::strcmp(node, "localhost") == 0);
  if (real == nullptr || !loopback || service == nullptr || port != service) return EAI_NONAME;
  return real("127.0.0.1", service, hints, result);
}

// The first byte sets the request: bits 0-1 direct, direct to "localhost", through the server
// as a plain proxy, or through it as a CONNECT proxy for https; bit 2 proxy credentials; bit 3 a
// small body limit; bit 4 a second request with the same fetcher. The rest are the answers.
// Whatever comes back, a request ends in a body of a final status or in the documented failure.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  ScriptedServer& server = Server();
  const uint8_t mode = data[0];
  server.Begin(Answers(QByteArray(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1))));
  {
    korvath::FetcherOptions options;
    options.connectTimeout = std::chrono::milliseconds(1000);
    options.readTimeout = std::chrono::milliseconds(300);
    if (mode & 8) options.maxBodyBytes = 1000;
    korvath::TPageFetcher fetcher(options);

    const QString port = QString::number(listenerPort.load());
    QString address = u"http://127.0.0.1:"_qs + port + u"/search/?text=a"_qs;
    switch (mode & 3) {
      case 1:
        address = u"http://localhost:"_qs + port + u"/"_qs;
        break;
      case 2:
        address = u"http://yandex.ru/search/"_qs;
        break;
      case 3:
        address = u"https://yandex.ru/search/"_qs;
        break;
    }
    if ((mode & 3) >= 2) {
      korvath::ProxyParams proxy;
      proxy.ProxyServer = u"127.0.0.1"_qs;
      proxy.ProxyPort = listenerPort.load();
      proxy.BasicAuthentication = (mode & 4) != 0;
      proxy.ProxyUsername = u"логин"_qs;
      proxy.ProxyPassword = u"p:w"_qs;
      fetcher.SetProxyParams(proxy);
    }

    for (int request = 0; request < ((mode & 16) ? 2 : 1); ++request) {
      QByteArray body("kept");
      try {
        fetcher.Get(address, body);
      } catch (const std::runtime_error& error) {
        if (*error.what() == '\0') std::abort();
        continue;
      }
      const int status = fetcher.ResponseCode();
      const bool final = (status >= 200 && status < 300) || status == 101;
      const bool redirected = status >= 300 && status < 400;
      if (!final && !redirected) std::abort();
      if (!body.startsWith("kept") || size_t(body.size() - 4) > options.maxBodyBytes) std::abort();
      if (redirected && body != "kept") std::abort();
    }
  }
  server.End();
  return 0;
}
