#include "inputs/region_catalogue.h"

#include <QFile>
#include <QSet>

#include <gtest/gtest.h>

namespace korvath {
namespace {

// The catalogue shipped with the program: every region must land under the parent its path names,
// or it would turn up at the top level among the countries.
TEST(BundledCatalogue, EveryRegionSitsUnderItsParent) {
  QFile file(QStringLiteral(KORVATH_BUNDLED_CATALOGUE));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  RegionTreeModel tree;
  LoadRegionCatalogueText(tree, QString::fromUtf8(file.readAll()));
  ASSERT_GT(tree.NodeCount(), 40);

  QStringList topLevel;
  for (RegionNode n = tree.FirstTopLevel(); n != kNoNode; n = tree.NextSibling(n)) {
    topLevel << tree.Text(n);
  }
  EXPECT_EQ(topLevel,
            (QStringList{u"Россия (225)"_qs, u"Беларусь (149)"_qs, u"Казахстан (159)"_qs}));

  QSet<QString> rids;
  for (RegionNode n = 0; n < tree.NodeCount(); ++n) {
    const QString entry = RegionEntryFromNodeText(tree.Text(n));
    const QString rid = entry.mid(entry.indexOf(u'=') + 1);
    bool number = false;
    rid.toUInt(&number);
    EXPECT_TRUE(number) << tree.Text(n).toStdString();
    EXPECT_FALSE(rids.contains(rid)) << "rid " << rid.toStdString() << " twice";
    rids.insert(rid);
  }

  QStringList moscowAncestry;
  RegionNode moscow = kNoNode;
  for (RegionNode n = 0; n < tree.NodeCount(); ++n) {
    if (tree.Text(n) == u"Москва (213)"_qs) {
      moscow = n;
    }
  }
  for (RegionNode n = moscow; n != kNoNode; n = tree.Parent(n)) {
    moscowAncestry << tree.Text(n);
  }
  EXPECT_EQ(moscowAncestry,
            (QStringList{u"Москва (213)"_qs, u"Москва и Московская область (1)"_qs,
                         u"Центральный федеральный округ (3)"_qs, u"Россия (225)"_qs}));
}

}  // namespace
}  // namespace korvath
