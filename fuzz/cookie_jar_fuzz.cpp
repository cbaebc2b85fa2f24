#include "web/cookie_jar.h"

#include <QByteArrayView>
#include <QString>

#include <array>
#include <cstdint>
#include <cstdlib>

namespace {

struct Host {
  const char* name;
  char site;  // hosts of one site may share cookies through a Domain attribute; others never
};

// Hosts whose cookies must stay apart: sibling and parent domains, a top-level domain shared by
// two sites, a public suffix, address literals and a Cyrillic domain.
constexpr std::array<Host, 13> kHosts = {{{"yandex.ru", 'A'},
                                          {"www.yandex.ru", 'A'},
                                          {"a.b.yandex.ru", 'A'},
                                          {"yandex.com", 'B'},
                                          {"example.org", 'C'},
                                          {"sub.example.org", 'C'},
                                          {"127.0.0.1", 'D'},
                                          {"10.0.0.1", 'E'},
                                          {"localhost", 'F'},
                                          {"xn--80ak6aa92e.xn--p1ai", 'G'},
                                          {"a.co.uk", 'H'},
                                          {"b.co.uk", 'I'},
                                          {"[::1]", 'J'}}};

// Every cookie name starts with the tag of the site that set it ("~A~"); the fuzz bytes lose
// their "~", so a tag in a Cookie header always tells where that cookie came from.
QByteArray Tagged(char site, QByteArrayView value) {
  QByteArray tagged = QByteArray("~") + site + '~' + value.toByteArray();
  for (qsizetype i = 3; i < tagged.size(); ++i) {
    if (tagged[i] == '~') tagged[i] = '-';
  }
  return tagged;
}

bool HasForeignTag(const QByteArray& header, char site) {
  for (qsizetype at = header.indexOf('~'); at >= 0 && at + 2 < header.size();
       at = header.indexOf('~', at + 1)) {
    if (header[at + 2] == '~' && header[at + 1] != site) return true;
  }
  return false;
}

}  // namespace

// Lines of the input are steps: the first byte picks storing, asking or clearing, the second the
// host and scheme; then comes the path and, for storing, " " and Set-Cookie values separated by
// TAB. A Cookie header never carries a cookie set by another site, and none after clearing.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  korvath::CookieJar jar;
  const QByteArrayView input(data, qsizetype(size));
  for (const QByteArrayView line : QByteArray(input.toByteArray()).split('\n')) {
    if (line.size() < 2) continue;
    const Host& host = kHosts[uint8_t(line[1]) % kHosts.size()];
    const char* scheme = (uint8_t(line[1]) / 16) % 2 == 0 ? "https://" : "http://";
    const QByteArrayView rest = line.sliced(2);
    const qsizetype blank = rest.indexOf(' ');
    const QByteArrayView path = blank < 0 ? rest : rest.first(blank);
    const QUrl url(QString::fromLatin1(scheme) + QString::fromLatin1(host.name) + u'/' +
                       QString::fromUtf8(path),
                   QUrl::TolerantMode);
    switch (uint8_t(line[0]) % 4) {
      case 0:
      case 1: {
        QList<QByteArray> values;
        if (blank >= 0) {
          for (const QByteArrayView value : rest.sliced(blank + 1).toByteArray().split('\t')) {
            values.append(Tagged(host.site, value));
          }
        }
        jar.Store(values, url);
        break;
      }
      case 2:
        if (HasForeignTag(jar.HeaderFor(url), host.site)) std::abort();
        break;
      case 3:
        jar.Clear();
        if (!jar.HeaderFor(url).isEmpty()) std::abort();
        break;
    }
  }
  return 0;
}
