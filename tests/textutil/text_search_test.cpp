#include "textutil/text_search.h"

#include <QString>

#include <gtest/gtest.h>

#include <random>

namespace korvath {
namespace {

// Texts long enough to cross the eight-unit steps of the search and its tail, from an alphabet
// whose letters share low bytes ('a' and U+0461) so that shortcuts keyed on bytes get tested.
class GeneratedTexts {
 public:
  QString Make(int minLength, int maxLength) {
    static constexpr char16_t kAlphabet[] = {u'a', u'b', u'\u0461', u'=', u'<'};
    QString text;
    for (int i = std::uniform_int_distribution<int>(minLength, maxLength)(random_); i > 0; --i) {
      text += QChar(kAlphabet[std::uniform_int_distribution<int>(0, 4)(random_)]);
    }
    return text;
  }
  int Number(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

 private:
  std::mt19937 random_{11};
};

TEST(IndexOf, AgreesWithQtOnGeneratedTexts) {
  GeneratedTexts generated;
  for (int round = 0; round < 50000; ++round) {
    const QString text = generated.Make(0, 70);
    const QString sub = generated.Make(1, 12);
    const qsizetype from = generated.Number(0, 75);
    ASSERT_EQ(IndexOf(text, sub, from), QStringView(text).indexOf(sub, from))
        << sub.toStdString() << " in " << text.toStdString() << " from " << from;
  }
}

TEST(IndexOf, FindsAMarkerPlantedAtEveryOffset) {
  const QString marker = u"data-cid="_qs;
  for (int length = 9; length < 60; ++length) {
    for (int at = 0; at + marker.size() <= length; ++at) {
      QString text(length, u'd');
      text.replace(at, marker.size(), marker);
      ASSERT_EQ(IndexOf(text, marker), at) << length;
      ASSERT_EQ(LastIndexOf(text, marker), at) << length;
    }
  }
}

TEST(LastIndexOf, AgreesWithABackwardScanOnGeneratedTexts) {
  GeneratedTexts generated;
  for (int round = 0; round < 50000; ++round) {
    const QString text = generated.Make(0, 50);
    const QString sub = generated.Make(1, 8);
    qsizetype expected = -1;
    for (qsizetype i = text.size() - sub.size(); i >= 0 && expected < 0; --i) {
      if (QStringView(text).sliced(i, sub.size()) == sub) {
        expected = i;
      }
    }
    ASSERT_EQ(LastIndexOf(text, sub), expected)
        << sub.toStdString() << " in " << text.toStdString();
  }
  EXPECT_EQ(LastIndexOf(u"abc", u""), -1);
}

}  // namespace
}  // namespace korvath
