#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace korvath::testing {

// What the test server does with one request: writes `bytes` exactly as given, then acts.
struct Reply {
  enum class Then {
    KeepOpen,  // wait for the next request on the same connection
    Close,     // close the connection (without a TLS close notification)
    Reset,     // abort the connection with a TCP reset
    Silence,   // write nothing more and never answer again, keeping the connection open
  };
  std::string bytes;
  Then then = Then::KeepOpen;
};

// A response with a Content-Length body.
Reply Respond(int status, const std::string& reason, const std::string& body,
              const std::vector<std::string>& extraHeaders = {});

struct RecordedRequest {
  std::string bytes;       // the request line and headers exactly as received
  int connection = 0;      // 1 for the first connection accepted, 2 for the next, ...
  std::string serverName;  // the TLS server name indication, if any
  std::string tlsVersion;  // the negotiated TLS version ("TLSv1.2"), if any
  std::string peer;        // the client's address ("127.0.0.1")
};

struct TlsOptions {
  std::string commonName = "127.0.0.1";
  std::chrono::seconds notBefore{-3600};
  std::chrono::seconds notAfter{3600};
  bool tls13Only = false;
};

// An HTTP or HTTPS server on 127.0.0.1 and a port of its own choosing, answering on a thread of
// its own. The handler sees each request's bytes and may be called on that thread: it must not
// touch the test's state without synchronisation.
class TestServer {
 public:
  using Handler = std::function<Reply(const std::string& request)>;
  explicit TestServer(Handler handler, std::optional<TlsOptions> tls = std::nullopt);
  ~TestServer();
  TestServer(const TestServer&) = delete;
  TestServer& operator=(const TestServer&) = delete;

  int Port() const;
  // "http://127.0.0.1:PORT" or "https://127.0.0.1:PORT".
  std::string Origin() const;
  std::vector<RecordedRequest> Requests() const;
  int ConnectionsAccepted() const;
  // Connections that this server has closed or reset itself.
  int ConnectionsEnded() const;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

// Waits until `condition` holds; false when it still does not after a limit meant for a slow
// machine.
bool WaitFor(const std::function<bool()>& condition);

// The path and query of the request line ("/a?b" of "GET /a?b HTTP/1.1").
std::string RequestTarget(const std::string& request);

}  // namespace korvath::testing
