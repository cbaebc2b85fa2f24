#include "web/proxy_list.h"

#include "textutil/text_file.h"
#include "web/proxy_file.h"

#include <QDir>
#include <QFileInfo>

namespace korvath {

ProxyList ReadProxyList(const QString& programFolder) {
  ProxyList list;
  const QString path = QDir(programFolder).filePath(u"proxies.txt"_qs);
  if (!QFileInfo::exists(path)) return list;
  const TextFileLines file = ReadTextFile(path);
  const QStringList& lines = file.lines;
  if (file.readAsWindows1251) list.encodingNotice = Windows1251Notice(path);
  for (qsizetype i = 0; i < lines.size(); ++i) {
    const QString line = lines[i].trimmed();
    if (line.isEmpty() || line.startsWith(u'#')) continue;
    const ProxySettings proxy = ParseProxyText(line);
    const QString lineName = u"proxies.txt, строка "_qs + QString::number(i + 1) + u": "_qs;
    if (proxy.hostText.contains(u'/') || proxy.portText.startsWith(u"//"_qs)) {
      list.problems.append(lineName +
                           u"перед адресом прокси стоит схема (нужно хост:порт без "
                           u"http://); строка пропущена"_qs);
    } else if (proxy.hostText.isEmpty() || proxy.params.ProxyPort == 0) {
      list.problems.append(lineName +
                           u"нужно [логин[:пароль]@]хост:порт с портом от 1 до 65535; "
                           u"строка пропущена"_qs);
    } else {
      list.proxies.push_back({proxy.params, proxy.hostText + u':' + proxy.portText});
    }
  }
  return list;
}

QString IgnoredProxyFileNotice(const QString& programFolder) {
  const QString path = QDir(programFolder).filePath(u"proxy.txt"_qs);
  if (!QFileInfo::exists(path)) return {};
  const QStringList lines = ReadTextLines(path);
  if (!lines.isEmpty() && lines.first().contains(u':')) return {};
  return u"Файл proxy.txt есть, но прокси из него не используется: в первой строке нет "
         u"хост:порт. Запросы идут напрямую, без прокси"_qs;
}

}  // namespace korvath
