#include "engine/results_page.h"

#include "textutil/text_ops.h"

#include <gtest/gtest.h>

#include <random>
namespace korvath {
namespace {

// The cutting written out step by step on a copy whose front is deleted after every block. It
// is slow on purpose: the production cutting advances an offset instead and must agree with it.
QList<QString> ReferenceBlocks(QStringView page) {
  constexpr QStringView kMarker = u"data-cid=";
  QString w = page.toString();
  QList<QString> blocks;
  for (;;) {
    const qsizetype q = Find(w, kMarker);
    if (q == 0) {
      return blocks;
    }
    qsizetype n = Find(w, kMarker, q + 9);
    if (n == 0) {
      n = w.size() + 1;
    }
    blocks.append(Copy(w, q, n - q - 1).toString());
    w.remove(0, q + 10);
  }
}

TEST(AdBlocks, AgreesWithTheStepByStepCutting) {
  const auto check = [](QStringView page) {
    QList<QString> blocks;
    for (const QStringView block : AdBlocks(page)) {
      blocks.append(block.toString());
    }
    const QList<QString> expected = ReferenceBlocks(page);
    EXPECT_EQ(blocks, expected) << page.toString().toStdString();
    return blocks == expected;
  };
  // Markers packed at and around a block's reach, and a surrogate pair inside a block.
  for (const char16_t* page :
       {u"data-cid=data-cid=", u"data-cid=data-cid=data-cid=data-cid=", u"xdata-cid=",
        u"data-cid=x", u"data-cid=xy", u"ab data-cid=1 data-cid=2", u"data-cid=0123456789data-cid=",
        u"data-cid=012345678data-cid=", u"data-cid=01234567data-cid=", u"data-ciddata-cid=data-cid",
        u"data-cid=data-cid=data-ci", u"data-cid=\U0001F600data-cid=\U0001F600", u"d"}) {
    check(QStringView(page));
  }
  // Pieces that make markers, near-markers and markers packed closer than a block's reach.
  const QString pieces[] = {u"data-cid="_qs, u"data-cid"_qs, u"ata-cid="_qs,
                            u"d"_qs,         u"="_qs,        u"x"_qs,
                            u"<li "_qs,      u"Окно"_qs,     u"0123456789"_qs};
  std::mt19937 random(20260412);
  std::uniform_int_distribution<int> pieceIndex(0, std::size(pieces) - 1);
  std::uniform_int_distribution<int> pieceCount(0, 40);
  for (int round = 0; round < 20000; ++round) {
    QString page;
    for (int i = pieceCount(random); i > 0; --i) {
      page += pieces[pieceIndex(random)];
    }
    if (!check(page)) return;  // one failing page is enough to read
  }
}

}  // namespace
}  // namespace korvath
