#include "demo-engine/demo_options.h"
#include "demo-engine/demo_server.h"
#include "devtls/self_signed.h"

#include <QCoreApplication>
#include <QStringList>

#include <boost/asio/signal_set.hpp>
#include <boost/asio/steady_timer.hpp>

#include <csignal>
#include <cstdio>
#include <exception>

using namespace std::chrono_literals;

int main(int argc, char** argv) {
  // Only for the command line: its help names the program and its arguments are decoded.
  const QCoreApplication application(argc, argv);
  QCoreApplication::setApplicationName(u"korvath-demo-engine"_qs);
  const QStringList arguments = QCoreApplication::arguments();

  korvath::demo::DemoOptions options;
  try {
    options = korvath::demo::ParseDemoOptions(arguments);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "korvath-demo-engine: %s\n", e.what());
    return 2;
  }
  if (!options.help.empty()) {
    std::fputs(options.help.c_str(), stdout);
    return 0;
  }

  try {
    boost::asio::io_context io(1);
    const korvath::PemCertificate certificate =
        korvath::MakeSelfSignedCertificate("127.0.0.1", -1h, 24h * 365);
    boost::asio::ssl::context tls = korvath::demo::MakeServerTlsContext(certificate);
    korvath::demo::DemoServer server(io, tls, options);
    server.Start();

    boost::asio::signal_set stopSignals(io, SIGINT, SIGTERM);
    stopSignals.async_wait([&io](boost::system::error_code, int) { io.stop(); });
    boost::asio::steady_timer deadline(io);
    if (options.exitAfterS > 0) {
      deadline.expires_after(std::chrono::seconds(options.exitAfterS));
      deadline.async_wait([&io](boost::system::error_code ec) {
        if (!ec) io.stop();
      });
    }

    // Scripts and tests read the origin from the first line, so it must leave at once.
    std::printf("%s\n", server.Origin().c_str());
    std::fflush(stdout);
    io.run();
    if (options.logRequests)
      std::fprintf(stderr, "served %llu requests\n",
                   static_cast<unsigned long long>(server.Router().RequestCount()));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "korvath-demo-engine: %s\n", e.what());
    return 1;
  }
  return 0;
}
