#include "results/workbook_links.h"

namespace korvath {
namespace {

// A text argument of a formula holds at most this many characters.
constexpr qsizetype kMaxFormulaText = 255;

bool HasBlankOrQuote(QStringView text) {
  for (QChar c : text) {
    if (c.isSpace() || c == u'"' || c.unicode() < 32) return true;
  }
  return false;
}

QString Quoted(QStringView text) {
  QString quoted = u"\""_qs;
  for (QChar c : text) {
    quoted += c;
    if (c == u'"') quoted += c;
  }
  return quoted + u'"';
}

QString Checked(QString target, QStringView text) {
  if (target.size() > kMaxFormulaText || text.size() > kMaxFormulaText) return {};
  return target;
}

}  // namespace

QString SiteLinkTarget(QStringView site) {
  if (site.isEmpty() || HasBlankOrQuote(site) || !site.contains(u'.') || site.contains(u'@'))
    return {};
  const bool withScheme = site.startsWith(u"http://", Qt::CaseInsensitive) ||
                          site.startsWith(u"https://", Qt::CaseInsensitive);
  return Checked(withScheme ? site.toString() : u"http://"_qs + site.toString(), site);
}

QString EmailLinkTarget(QStringView email) {
  const qsizetype at = email.indexOf(u'@');
  if (at <= 0 || at == email.size() - 1 || email.lastIndexOf(u'@') != at ||
      HasBlankOrQuote(email) || email.contains(u',') || email.contains(u';'))
    return {};
  return Checked(u"mailto:"_qs + email.toString(), email);
}

QString HyperlinkFormula(QStringView target, QStringView text) {
  return u"=HYPERLINK("_qs + Quoted(target) + u',' + Quoted(text) + u')';
}

}  // namespace korvath
