#include "sample_page.h"

namespace korvath {

namespace {

QString Repeated(const QString& piece, qsizetype size) {
  QString text;
  text.reserve(size + piece.size());
  while (text.size() < size) {
    text += piece;
  }
  return text;
}

QString Head(int adCount) {
  const QString style =
      u".serp-item{margin:0 0 24px;padding:0}.organic__title{font-size:18px;line-height:24px}"
      u".Path-Separator{color:#006000;margin:0 4px}.OrganicTextContentSpan{color:#333}\n"_qs;
  const QString script =
      u"window.__serpData.push({\"block\":\"organic\",\"params\":{\"counter\":{\"path\":"
      u"\"/snippet/direct\",\"vars\":{\"-baobab-event-json\":\"[{\\\"event\\\":\\\"click\\\"}]\"}}"
      u"},\"mods\":{\"theme\":\"normal\",\"size\":\"m\"}});\n"_qs;
  const qsizetype headSize = qsizetype(adCount) * 22000;
  return u"<!DOCTYPE html><html lang=\"ru\"><head><meta charset=\"utf-8\">"
         u"<title>пластиковые окна — Яндекс: объявления</title><style>"_qs +
         Repeated(style, headSize / 2) + u"</style><script nonce=\"x1\">"_qs +
         Repeated(script, headSize / 2) +
         u"</script></head><body class=\"b-page b-page_theme_normal\">"
         u"<div class=\"serp-adv\"><span class=serp-adv__found>Нашлось 1 234&nbsp;объявления"
         u"</span></div><ul class=\"serp-list serp-list_left_yes\">\n"_qs;
}

QString Icon() {
  return u"<svg class=\"Icon\" width=\"16\" height=\"16\" viewBox=\"0 0 16 16\"><path "
         u"d=\"M8 0a8 8 0 1 0 0 16A8 8 0 0 0 8 0zm0 14.5a6.5 6.5 0 1 1 0-13 6.5 6.5 0 0 1 0 "
         u"13zM7.25 4h1.5v5h-1.5zm0 6.5h1.5V12h-1.5z\" fill=\"currentColor\"/></svg>"_qs;
}

QString Ad(int index) {
  const QString n = QString::number(index);
  QString ad = u"<li class=\"serp-item serp-item_card\" data-cid=\""_qs + n +
               u"\" data-fast-name=\"direct\" data-log-node=\"x"_qs + n +
               u"\"><div class=\"organic organic_card_yes\">"
               u"<h2 class=\"organic__title-wrapper\"><a class=\"Link organic__url\" href=\""
               u"https://okna-"_qs +
               n +
               u".example/?utm_source=yandex&amp;utm_medium=cpc&amp;utm_campaign=okna\" "
               u"target=\"_blank\"><div class=\"organic__url-text\">Пластиковые окна &laquo;"
               u"Завод "_qs +
               n +
               u"&raquo; &mdash; от&nbsp;производителя</div></a></h2>"
               u"<div class=\"organic__subtitle\"><div class=\"Path\"><b>okna-"_qs +
               n +
               u".example</b><span class=\"Path-Separator\">›</span><span class=\"Path-Item\">"
               u"okna</span></div></div>"_qs;
  // Sitelinks, badges and icons make up most of an ad's markup.
  for (int i = 0; i < 40; ++i) {
    ad += u"<div class=\"Sitelinks-Item\" data-vars=\"{&quot;pos&quot;:"_qs + QString::number(i) +
          u"}\"><a class=\"Link Sitelinks-Title\" href=\"https://okna-"_qs + n + u".example/s/"_qs +
          QString::number(i) + u"?from=direct&amp;p=1\">Раздел "_qs + QString::number(i) +
          u"</a>"_qs + Icon() +
          u"<span class=\"Sitelinks-Desc\">Подробнее о&nbsp;предложении</span></div>\n"_qs;
  }
  ad +=
      u"<div class=\"TextContainer\"><span class=\"OrganicTextContentSpan\">Окна ПВХ за 1 день; "
      u"замер бесплатно. Гарантия 10&nbsp;лет! Скидка "_qs +
      n +
      u"&nbsp;%.</span></div><div class=\"organic__contacts\"><a class=\"Link\" "
      u"href=\"/search/direct/contacts?cid="_qs +
      n + u"&amp;bid=9"_qs + n +
      u"&amp;text=okna\">Контактная информация</a></div></div></li>\n"_qs;
  return ad;
}

}  // namespace

QString SampleResultsPage(int adCount) {
  QString page = Head(adCount);
  for (int i = 1; i <= adCount; ++i) {
    page += Ad(i);
  }
  page +=
      u"</ul><div class=\"Pager\"><a class=\"Pager-Item Pager-Item_type_page\" "
      u"href=\"/search/direct?text=okna&amp;lr=213\">1</a><a class=\"Pager-Item "
      u"Pager-Item_type_next\" href=\"/search/direct?text=okna&amp;lr=213&amp;p=1\">дальше</a>"
      u"</div></body></html>\n"_qs;
  return page;
}

QString SampleFragment(qsizetype size) {
  return Repeated(
      u"<div class=\"Sitelinks-Item\"><a class=\"Link\" href=\"https://okna.example/?a=1&amp;b=2\">"
      u"Окна &laquo;Рассвет&raquo; &mdash; от&nbsp;производителя; монтаж</a>\r\n"
      u"<span>&lt;акция&gt; &bull; скидки&nbsp;%</span><br>\t</div>"_qs,
      size);
}

}  // namespace korvath
