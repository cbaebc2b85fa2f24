#include "engine/results_page.h"

#include "test_data.h"

#include <gtest/gtest.h>

namespace korvath {
namespace {

TEST(ResultsPage, ReadsEverythingTheJobNeedsFromAWholePage) {
  const QString page = ReadTestPage("results_page.html");
  EXPECT_EQ(NextPageAddress(page, u"https://yandex.ru", u"https://yandex.ru/search/direct?text=a"),
            u"https://yandex.ru/search/direct?text=%D0%BE%D0%BA%D0%BD%D0%B0&lr=213&p=1");
  EXPECT_EQ(FoundLine(page), u"Нашлось <b>3"_qs);
  EXPECT_FALSE(NothingFound(page));
  EXPECT_EQ(CardLinkCount(page), 2);
  // Card anchors outside any ad block are not counted.
  EXPECT_EQ(CardLinkCount(u"<a href=\"/c\">Контактная информация</a>"), 0);

  const QList<QStringView> blocks = AdBlocks(page);
  ASSERT_EQ(blocks.size(), 3);
  const auto all = [](const AdFields& f) {
    return QStringList{f.title, f.text, f.site, f.cardLink};
  };
  const AdFields expected[] = {
      {u"Пластиковые окна \"Рассвет\" - от производителя"_qs,
       u"Окна ПВХ за 1 день, замер бесплатно.Гарантия 10 лет!"_qs, u"okna-rassvet.example"_qs,
       u"/search/direct/contacts?cid=101&bid=9001&text=okna"_qs},
      {u"Тёплый дом: окна и двери"_qs, u"Скидка 30 % на окна Rehau x 2 створки. Звоните!"_qs,
       u"www.teplo-dom.example"_qs, u"/search/direct/contacts?cid=102&bid=9002"_qs},
      {u"Окна \"Маркет\" Москва"_qs, u"Цены  рынка - монтаж"_qs, u"okna-market.example"_qs, u""_qs},
  };
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(blocks[i].startsWith(u"data-cid=\"10")) << i;
    EXPECT_EQ(all(ReadAdFields(blocks[i])), all(expected[i])) << i;
  }
  // The last block runs to the next-to-last code unit of the page.
  EXPECT_TRUE(blocks[2].endsWith(u"</html>"));
  EXPECT_EQ(blocks[2].data() + blocks[2].size(), page.data() + page.size() - 1);
}

TEST(NextPageAddress, FollowsTheAnchorBeforeTheMarker) {
  struct Case {
    const char16_t* page;
    const char16_t* expected;
  };
  const Case cases[] = {
      {u"<a class=\"Pager-Item Pager-Item_type_next\" href=\"/search/x?a=1&amp;p=2\">next</a>",
       u"https://o.test/search/x?a=1&p=2"},
      // The anchor nearest before the marker, not the first one of the page.
      {u"<a href=\"/1\">1</a><a href=\"/2\" class=\"Pager-Item Pager-Item_type_next\">n</a>",
       u"https://o.test/2"},
      // The first href inside the anchor wins.
      {u"<a href=\"/a\" href=\"/b\" class=Pager-Item Pager-Item_type_next>n</a>",
       u"https://o.test/a"},
      {u"no pager here", u""},
      {u"<div class=\"Pager-Item Pager-Item_type_next\"><a href=\"/x\">n</a>", u""},
      {u"<a class=\"Pager-Item Pager-Item_type_next\" href=\"/x\">no end", u""},
      {u"<a class=\"Pager-Item Pager-Item_type_next\">n</a>", u""},
      {u"<a class=\"Pager-Item Pager-Item_type_next\" href=\"\">n</a>", u""},
      // An href whose value never closes inside the anchor gives no address.
      {u"<a class=\"Pager-Item Pager-Item_type_next\" href=\"/x>n</a>\"", u""},
      // Replaced text is not scanned again.
      {u"<a href=\"/&amp;amp;\" Pager-Item Pager-Item_type_next</a>", u"https://o.test/&amp;"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NextPageAddress(QStringView(c.page), u"https://o.test", u"https://o.test/s/d?p=1"),
              QStringView(c.expected))
        << Utf8(c.page);
  }
  EXPECT_EQ(NextPageAddress(u"<a href=\"/p\">Pager-Item Pager-Item_type_next</a>",
                            u"https://a&amp;b", u"https://a/"),
            u"https://a&b/p");
}

// The link is resolved like any address, not glued to the origin.
TEST(NextPageAddress, ResolvesTheLinkLikeAnyAddress) {
  const std::pair<const char16_t*, const char16_t*> cases[] = {
      {u"/search/direct?p=2", u"http://o.test:8080/search/direct?p=2"},
      {u"https://other.test/search/direct?a=1&amp;p=2",
       u"https://other.test/search/direct?a=1&p=2"},
      {u"HTTP://other.test/x", u"HTTP://other.test/x"},
      {u"//cdn.test/search/direct?p=2", u"http://cdn.test/search/direct?p=2"},
      {u"direct?p=2", u"http://o.test:8080/search/direct?p=2"},
      {u"../other?p=2", u"http://o.test:8080/other?p=2"},
      {u"?text=a&amp;p=2", u"http://o.test:8080/search/direct?text=a&p=2"},
  };
  for (const auto& [link, expected] : cases) {
    const QString page = u"<a href=\""_qs + QString::fromUtf16(link) +
                         u"\" class=\"Pager-Item Pager-Item_type_next\">n</a>"_qs;
    EXPECT_EQ(NextPageAddress(page, u"http://o.test:8080",
                              u"http://o.test:8080/search/direct?text=a&p=1"),
              QStringView(expected))
        << Utf8(link);
  }
}

TEST(FoundLine, RawTextUpToTheNextClosingTag) {
  struct Case {
    const char16_t* page;
    std::optional<QString> expected;
  };
  const Case cases[] = {
      {u"<span class=serp-adv__found>Нашлось 12 объявлений</span>", u"Нашлось 12 объявлений"_qs},
      {u"<span class=serp-adv__found>  a&nbsp;b </span>", u"  a&nbsp;b "_qs},
      {u"<span class=serp-adv__found></span>", u""_qs},
      {u"serp-adv__found>one</a> serp-adv__found>two</a>", u"one"_qs},
      {u"<span class=serp-adv__found>never closed", std::nullopt},
      {u"</b> before serp-adv__found>x", std::nullopt},
      {u"no counter", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FoundLine(QStringView(c.page)), c.expected) << Utf8(c.page);
  }
}

TEST(NothingFound, OnlyTheExactNotice) {
  EXPECT_TRUE(NothingFound(u"<div class=x>По вашему запросу ничего не нашлось</div>"));
  EXPECT_FALSE(NothingFound(u"<div>По вашему запросу ничего не нашлось.</div>"));
  EXPECT_FALSE(NothingFound(u">по вашему запросу ничего не нашлось<"));
  EXPECT_FALSE(NothingFound(u""));
}

TEST(AdBlocks, CutsFromMarkerToTwoCodeUnitsBeforeTheNext) {
  struct Case {
    const char16_t* page;
    QList<QString> expected;
  };
  const Case cases[] = {
      {u"", {}},
      {u"no ads at all", {}},
      {u"<li data-cid=1>a</li><li data-cid=2>b</li>!",
       {u"data-cid=1>a</li><li"_qs, u"data-cid=2>b</li>"_qs}},
      // The code unit before the next marker and the page's last code unit belong to no block.
      {u"data-cid=", {u"data-cid"_qs}},
      {u"data-cid=ABdata-cid=C", {u"data-cid=A"_qs, u"data-cid="_qs}},
      // A marker that begins within ten code units of the previous one ends that block but
      // does not begin one of its own.
      {u"data-cid=data-cid=data-cid=xyz", {u"data-cid"_qs, u"data-cid=xy"_qs}},
      {u"data-cid=Xdata-cid=Y", {u"data-cid="_qs}},
      {u"data-cid=Adata-cid=Bdata-cid=C", {u"data-cid="_qs, u"data-cid="_qs}},
      {u"data-cid=ABCdata-cid=D", {u"data-cid=AB"_qs, u"data-cid="_qs}},
      {u"data-cid=data-cid", {u"data-cid=data-ci"_qs}},
  };
  for (const Case& c : cases) {
    QList<QString> blocks;
    for (const QStringView block : AdBlocks(QStringView(c.page))) {
      blocks.append(block.toString());
    }
    EXPECT_EQ(blocks, c.expected) << Utf8(c.page);
  }
}

// The card link is the last href before the contact text; the title falls back to the URL text
// when the first anchor is empty; the site is the bold text before the last path separator.
TEST(ReadAdFields, EachFieldFromItsOwnMarkers) {
  struct Case {
    QString AdFields::*field;
    const char16_t* block;
    const char16_t* expected;
  };
  const auto link = &AdFields::cardLink;
  const auto title = &AdFields::title;
  const auto site = &AdFields::site;
  const Case cases[] = {
      {link, u"data-cid=1 <a href=\"/card?a=1&amp;b=2\">Контактная информация</a>",
       u"/card?a=1&b=2"},
      {link, u"data-cid=1 <a href=\"https://x.test/c\">Контактная информация</a>",
       u"https://x.test/c"},
      {link, u"<a href=\"/ad\">t</a><a class=c href=\"/card\">Контактная информация</a>", u"/card"},
      {link, u"<a href=\"/card\">Контакты</a>", u""},
      {link, u"<a data=\"/card\">Контактная информация</a>", u""},
      {link, u"<a href=\"\">Контактная информация</a>", u""},
      {link, u"", u""},
      {title, u"<a href=x>  Окна&nbsp;ПВХ </a>", u"Окна ПВХ"},
      {title, u"<a href=x><img></a><div class=\"organic__url-text\">Запасной</div>", u"Запасной"},
      {title, u"<a href=x> &nbsp; </a><div class=organic__url-text>Запасной</div>", u"Запасной"},
      // Without the anchor's end the fallback is used.
      {title, u"<a href=x>Обрыв <div class=organic__url-text>Запасной</div>", u"Запасной"},
      {title, u"<a href=x></a>", u""},
      {title, u"plain block", u""},
      {site, u"<b>a.test</b><span class=\"Path-Separator\">›</span>", u"a.test"},
      {site,
       u"<b>a.test</b><span class=\"Path-Separator\">›</span><b>b.test</b><span "
       u"class=\"Path-Separator\">",
       u"b.test"},
      {site, u"<b> x&amp;y </b><span class=\"Path-Separator\"", u"x&y"},
      {site, u"<i>a.test</i><span class=\"Path-Separator\">", u""},
      {site, u"<b>a.test</b>", u""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadAdFields(QStringView(c.block)).*c.field, QStringView(c.expected))
        << Utf8(c.block);
  }
}

}  // namespace
}  // namespace korvath
