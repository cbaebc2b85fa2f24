#include "scratch_folder.h"
#include "web/proxy_file.h"

#include <cstdint>
#include <cstdlib>

// A "proxy.txt" of any bytes is read without failing, and what comes out holds together: a
// usable port or none with the reason said, and credentials only with a login.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  korvath::PutScratchFile(u"proxy.txt"_qs, data, size);
  const std::optional<korvath::ProxySettings> settings =
      korvath::ReadProxyFile(korvath::ScratchFolder());
  if (!settings) return 0;
  const korvath::ProxyParams& params = settings->params;
  if (params.ProxyServer != settings->hostText) std::abort();
  if (params.ProxyPort < 0 || params.ProxyPort > 65535) std::abort();
  if ((params.ProxyPort == 0) != settings->unusableReason.has_value() &&
      !settings->hostText.isEmpty()) {
    std::abort();
  }
  if (params.BasicAuthentication == settings->login.isEmpty()) std::abort();
  if (!params.BasicAuthentication &&
      !(params.ProxyUsername.isEmpty() && params.ProxyPassword.isEmpty())) {
    std::abort();
  }
  // The log line is made of the host, port and login texts only, so the password stays out of it.
  const QString expected =
      u"Используем прокси "_qs + settings->hostText + u':' + settings->portText +
      (settings->login.isEmpty() ? u", без авторизации"_qs : u", логин "_qs + settings->login);
  if (settings->logLine != expected) std::abort();
  return 0;
}
