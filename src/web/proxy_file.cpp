#include "web/proxy_file.h"

#include <QDir>
#include <QFileInfo>

#include "textutil/text_file.h"

namespace korvath {
namespace {

QString TrimControls(const QString& text) {
  qsizetype begin = 0;
  qsizetype end = text.size();
  while (begin < end && text[begin].unicode() <= 0x20) ++begin;
  while (end > begin && text[end - 1].unicode() <= 0x20) --end;
  return text.mid(begin, end - begin);
}

// Splits at the first `separator`: what stands before it and what follows, or the whole text and
// nothing when there is none.
std::pair<QString, QString> SplitAtFirst(const QString& text, QChar separator) {
  const qsizetype at = text.indexOf(separator);
  if (at < 0) return {text, QString()};
  return {text.left(at), text.mid(at + 1)};
}

}  // namespace

// Digits only, so that a sign, a blank or a second line joined to the port never passes as a port.
std::optional<int> ProxyPortNumber(const QString& portText) {
  if (portText.isEmpty() || portText.size() > 10) return std::nullopt;
  qint64 value = 0;
  for (const QChar c : portText) {
    if (c < u'0' || c > u'9') return std::nullopt;
    value = value * 10 + (c.unicode() - u'0');
  }
  if (value < 1 || value > 65535) return std::nullopt;
  return static_cast<int>(value);
}

ProxySettings ParseProxyText(const QString& text) {
  const QString proxyText = TrimControls(text);
  const qsizetype at = proxyText.indexOf(u'@');
  const QString credentials = at >= 0 ? proxyText.left(at) : QString();
  const QString hostPart = at >= 0 ? proxyText.mid(at + 1) : proxyText;

  ProxySettings settings;
  std::tie(settings.hostText, settings.portText) = SplitAtFirst(hostPart, u':');
  std::tie(settings.login, settings.password) = SplitAtFirst(credentials, u':');

  const std::optional<int> port = ProxyPortNumber(settings.portText);
  settings.params.ProxyServer = settings.hostText;
  settings.params.ProxyPort = port.value_or(0);
  const QString address = settings.hostText + u':' + settings.portText;
  if (settings.login.isEmpty()) {
    settings.logLine = u"Используем прокси "_qs + address + u", без авторизации"_qs;
  } else {
    settings.params.ProxyUsername = settings.login;
    settings.params.ProxyPassword = settings.password;
    settings.params.BasicAuthentication = true;
    settings.logLine = u"Используем прокси "_qs + address + u", логин "_qs + settings.login;
  }
  if (!settings.hostText.isEmpty() && !port) {
    settings.unusableReason =
        u"Прокси из файла proxy.txt не используется и запросы не отправляются: порт прокси должен "
        u"быть целым числом от 1 до 65535."_qs;
  }
  return settings;
}

std::optional<ProxySettings> ReadProxyFile(const QString& programFolder) {
  const QString path = QDir(programFolder).filePath(u"proxy.txt"_qs);
  if (!QFileInfo::exists(path)) return std::nullopt;
  const TextFileLines file = ReadTextFile(path);
  const QStringList& lines = file.lines;
  if (lines.isEmpty() || !lines.first().contains(u':')) return std::nullopt;
  ProxySettings settings = ParseProxyText(lines.join(u"\r\n"_qs) + u"\r\n"_qs);
  if (file.readAsWindows1251) settings.encodingNotice = Windows1251Notice(path);
  return settings;
}

}  // namespace korvath
