#include "results/advertiser_key.h"

#include "results/card_texts.h"

namespace korvath {
namespace {

bool IsValue(QStringView text) { return !text.trimmed().isEmpty() && text != kMissingCardFiller; }

// The phone up to its extension: the same line reached through another extension is the same
// advertiser.
QStringView WithoutExtension(QStringView phone) {
  qsizetype end = phone.size();
  for (QStringView mark : {QStringView(u"доб"), QStringView(u"ext")}) {
    const qsizetype at = phone.indexOf(mark, 0, Qt::CaseInsensitive);
    if (at >= 0 && at < end) end = at;
  }
  return phone.first(end);
}

// The catalogue's countries dial 7: "8 495 …" and "495 …" are the same number as "+7 495 …".
QString PhoneDigits(QStringView phone) {
  QString digits;
  for (QChar c : WithoutExtension(phone)) {
    if (c >= u'0' && c <= u'9') digits += c;
  }
  if (digits.size() == 11 && digits.front() == u'8') {
    digits.front() = u'7';
  } else if (digits.size() == 10) {
    digits.prepend(u'7');
  }
  return digits;
}

}  // namespace

QString SiteHost(QStringView site) {
  QStringView host = site.trimmed();
  for (QStringView scheme : {QStringView(u"https://"), QStringView(u"http://")}) {
    if (host.startsWith(scheme, Qt::CaseInsensitive)) host = host.sliced(scheme.size());
  }
  for (QChar end : {u'/', u'?', u'#', u':'}) {
    const qsizetype at = host.indexOf(end);
    if (at >= 0) host = host.first(at);
  }
  QString lower = host.toString().toLower();
  if (lower.startsWith(u"www.")) lower.remove(0, 4);
  return lower;
}

QString AdvertiserKey(QStringView phone, QStringView site, QStringView company, QStringView city) {
  if (IsValue(phone)) {
    const QString digits = PhoneDigits(phone);
    if (!digits.isEmpty()) return u"tel:"_qs + digits;
  }
  if (IsValue(site)) {
    const QString host = SiteHost(site);
    if (!host.isEmpty()) return u"site:"_qs + host;
  }
  if (!IsValue(company)) return {};
  const QString cityText = IsValue(city) ? city.toString().simplified().toCaseFolded() : QString();
  return u"name:"_qs + company.toString().simplified().toCaseFolded() + u'\n' + cityText;
}

}  // namespace korvath
