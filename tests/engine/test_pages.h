#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace korvath::testing {

struct TestAd {
  QString title;
  QString cardLink;  // empty: the ad has no contact card anchor
  QString text = QStringLiteral("Текст объявления");
  QString site = QStringLiteral("site.example");
};

// A results page with the markers the job reads; `nextHref` is a path on the engine's origin.
inline QByteArray ResultsPage(const QList<TestAd>& ads, const QString& nextHref = {},
                              const QString& foundLine = {}) {
  QString page = u"<html><body>"_qs;
  if (!nextHref.isEmpty()) {
    page += u"<a class=\"x\" href=\""_qs + nextHref +
            u"\">дальше</a><span class=\"Pager-Item Pager-Item_type_next\"></span>"_qs;
  }
  if (!foundLine.isEmpty()) {
    page += u"<div class=serp-adv__found>"_qs + foundLine + u"</div>"_qs;
  }
  for (const TestAd& ad : ads) {
    page += u"<li data-cid=\"7\"><a href=\"https://site.example/\">"_qs + ad.title +
            u"</a><div class=\"OrganicTextContentSpan\">"_qs + ad.text + u"</span><b>"_qs +
            ad.site + u"</b><span class=\"Path-Separator\">/</span>"_qs;
    if (!ad.cardLink.isEmpty()) {
      page += u"<a href=\""_qs + ad.cardLink + u"\">Контактная информация</a>"_qs;
    }
    page += u"</li>"_qs;
  }
  return (page + u"</body></html>\n"_qs).toUtf8();
}

inline QByteArray NothingFoundPage() {
  return u"<html><div>По вашему запросу ничего не нашлось</div></html>"_qs.toUtf8();
}

inline QByteArray CardPage(const QString& company, const QString& location = u"Россия, Москва"_qs) {
  return (u"<html><h1 id=\"title\">"_qs + company + u"</h1><div id=\"location\">"_qs + location +
          u"</div><div id=\"address\">ул. Тверская, 1</div><div>Телефон</div>+7 (495) "
          u"123-45-67</div><div>E-mail</div><div class=\"m\">info@firm.example</div></html>"_qs)
      .toUtf8();
}

}  // namespace korvath::testing
