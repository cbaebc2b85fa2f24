#include "inputs/region_catalogue.h"
#include "inputs/region_tree_walk.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace korvath {
namespace {

// The catalogue text of labels given as (attribute value, name) pairs.
QString Catalogue(const std::vector<std::pair<QString, QString>>& labels) {
  QString text =
      u"<html><tr><td>ignored <label for=\"1_\">Before</label></td></tr>"
      "<tr><td id=\"beginRegions\" class=\"r\">"_qs;
  for (const auto& [value, name] : labels)
    text += u"<input id=\"x\"><label for=\"%1\" class=\"c\">%2</label><br>"_qs.arg(value, name);
  return text + u"</td></tr><tr><td><label for=\"2_\">After</label></td></tr></html>"_qs;
}

// One line per node in pre-order: indentation by depth, text, "+" when expanded, "*" when
// selected.
QStringList Dump(const RegionTreeModel& tree) {
  QStringList lines;
  ForEachInPreOrder(tree, [&](RegionNode node) {
    int depth = 0;
    for (RegionNode up = tree.Parent(node); up != kNoNode; up = tree.Parent(up)) ++depth;
    lines.append(QString(depth * 2, u' ') + tree.Text(node) +
                 (tree.IsExpanded(node) ? u"+"_qs : QString()) +
                 (tree.SelectedNode() == node ? u"*"_qs : QString()));
  });
  return lines;
}

struct CatalogueCase {
  const char* name;
  QString text;
  QStringList tree;
};

class CatalogueLoad : public testing::TestWithParam<CatalogueCase> {};

TEST_P(CatalogueLoad, BuildsTree) {
  RegionTreeModel tree;
  QAbstractItemModelTester tester(&tree, QAbstractItemModelTester::FailureReportingMode::Warning);
  LoadRegionCatalogueText(tree, GetParam().text);
  EXPECT_EQ(Dump(tree), GetParam().tree);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CatalogueLoad,
    testing::Values(
        CatalogueCase{"NestsByParentAndExpandsTwoLevels",
                      Catalogue({{u"10_"_qs, u"A"_qs},
                                 {u"10_20_"_qs, u"B"_qs},
                                 {u"10_20_30_"_qs, u"C"_qs},
                                 {u"10_40_"_qs, u"D"_qs},
                                 {u"10_40_50_"_qs, u"E"_qs},
                                 {u"60_"_qs, u"F"_qs},
                                 {u"60_70_"_qs, u"G"_qs}}),
                      {u"A (10)+*"_qs, u"  B (20)+"_qs, u"    C (30)"_qs, u"  D (40)+"_qs,
                       u"    E (50)"_qs, u"F (60)"_qs, u"  G (70)"_qs}},
        CatalogueCase{"ChildBeforeParentGoesToTopLevel",
                      Catalogue({{u"10_20_"_qs, u"B"_qs}, {u"10_"_qs, u"A"_qs}}),
                      {u"B (20)+*"_qs, u"A (10)"_qs}},
        CatalogueCase{"UnknownParentGoesToTopLevel",
                      Catalogue({{u"10_"_qs, u"A"_qs}, {u"99_20_"_qs, u"B"_qs}}),
                      {u"A (10)+*"_qs, u"B (20)"_qs}},
        CatalogueCase{"KeyComparedWithWholeBracketedRid",
                      Catalogue({{u"20_"_qs, u"B"_qs}, {u"2_5_"_qs, u"E"_qs}}),
                      {u"B (20)+*"_qs, u"E (5)"_qs}},
        CatalogueCase{"SiblingMatchWinsOverDeeperEarlierMatch",
                      Catalogue({{u"1_"_qs, u"A"_qs},
                                 {u"1_7_"_qs, u"Deep"_qs},
                                 {u"7_"_qs, u"Top"_qs},
                                 {u"3_7_8_"_qs, u"X"_qs}}),
                      {u"A (1)+*"_qs, u"  Deep (7)+"_qs, u"Top (7)"_qs, u"  X (8)"_qs}},
        CatalogueCase{
            "DuplicateRidChildrenGoUnderFirstFound",
            Catalogue({{u"10_"_qs, u"A"_qs}, {u"10_"_qs, u"A2"_qs}, {u"10_20_"_qs, u"B"_qs}}),
            {u"A (10)+*"_qs, u"  B (20)+"_qs, u"A2 (10)"_qs}},
        CatalogueCase{
            "EmptyNameAndBracketedName",
            Catalogue({{u"10_"_qs, u""_qs}, {u"11_"_qs, u"A (x)"_qs}, {u"x_12_"_qs, u"C"_qs}}),
            {u" (10)+*"_qs, u"A (x) (11)"_qs, u"  C (12)"_qs}},
        CatalogueCase{"NameStopsAtFirstMarkupClose",
                      Catalogue({{u"10_"_qs, u"<b>A</b> tail"_qs}}),
                      {u"<b>A (10)+*"_qs}},
        CatalogueCase{"PathWithoutTrailingSeparatorRunsIntoLabel",
                      u"<td id=\"beginRegions\"><label for=\"10\">A</label></tr>"_qs,
                      {u"A (10\">A)+*"_qs}},
        CatalogueCase{"LabelWithoutTagCloseIsSkipped",
                      u"<td id=\"beginRegions\"><label for=\"10_\"/></label>"
                      "<label for=\"20_\">B</label></tr>"_qs,
                      {u"B (20)+*"_qs}},
        CatalogueCase{"UnclosedLabelSwallowsNextAsName",
                      u"<td id=\"beginRegions\"><label for=\"10_\">A<label for=\"20_\">B</label>"
                      "<label for=\"30_\">C"_qs,
                      {u"A<label for=\"20_\">B (10)+*"_qs, u"B (20)"_qs}},
        CatalogueCase{"WithoutStartMarkerReadsUpToFirstRowEnd",
                      u"<label for=\"10_\">A</label></tr><label for=\"20_\">B</label>"_qs,
                      {u"A (10)+*"_qs}},
        CatalogueCase{"NoLabelsGiveEmptyTree", u"<td id=\"beginRegions\"></td></tr>"_qs, {}},
        CatalogueCase{"GarbageGivesEmptyTree", u"<label for=\"<label for=\"\">"_qs, {}}),
    [](const testing::TestParamInfo<CatalogueCase>& info) { return info.param.name; });

TEST(RegionCatalogue, CheckedRegionsInPreOrderReadBackAtLastBracket) {
  RegionTreeModel tree;
  LoadRegionCatalogueText(tree, Catalogue({{u"10_"_qs, u"A"_qs},
                                           {u"10_20_"_qs, u"B"_qs},
                                           {u"10_20_30_"_qs, u"C"_qs},
                                           {u"40_"_qs, u"D (x)"_qs},
                                           {u"50_"_qs, u""_qs}}));
  EXPECT_TRUE(CollectCheckedRegions(tree).isEmpty());
  tree.SetAllChecked(true);
  tree.SetChecked(1, false);
  EXPECT_EQ(CollectCheckedRegions(tree),
            (QStringList{u"A=10"_qs, u"C=30"_qs, u"D (x)=40"_qs, u"=50"_qs}));
  EXPECT_EQ(RegionEntryFromNodeText(u"A (10) tail"_qs), u"A=10"_qs);
  EXPECT_EQ(RegionEntryFromNodeText(u"A (10"_qs), u"A=10"_qs);
  EXPECT_EQ(RegionEntryFromNodeText(u"A"_qs), u"A="_qs);
}

TEST(RegionCatalogue, FileIsReadAsUtf8WithReplacementAndMissingFileIsAnError) {
  QTemporaryDir dir;
  RegionTreeModel tree;
  EXPECT_THROW(LoadRegionCatalogue(tree, dir.path()), std::runtime_error);
  EXPECT_EQ(tree.NodeCount(), 0);

  QFile file(QDir(dir.path()).filePath(u"regions.html"_qs));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("<td id=\"beginRegions\"><label for=\"213_\">\xD0\x9C\xD0\xBE\xFF</label></tr>");
  file.close();
  LoadRegionCatalogue(tree, dir.path() + u'/');
  EXPECT_EQ(Dump(tree), QStringList{u"Мо\uFFFD (213)+*"_qs});
}

TEST(RegionCatalogue, TextMadeOfMarkerPiecesNeverBreaksTheTree) {
  const QStringList pieces = {u"<label for=\""_qs,
                              u"_"_qs,
                              u"\">"_qs,
                              u"</label>"_qs,
                              u"</"_qs,
                              u"</tr>"_qs,
                              u"1"_qs,
                              u"2"_qs,
                              u" ("_qs,
                              u")"_qs,
                              u"A"_qs,
                              u"<td id=\"beginRegions\""_qs};
  QRandomGenerator random(7);
  for (int round = 0; round < 500; ++round) {
    QString text;
    for (int i = random.bounded(60); i > 0; --i) text += pieces[random.bounded(pieces.size())];
    RegionTreeModel tree;
    QAbstractItemModelTester tester(&tree, QAbstractItemModelTester::FailureReportingMode::Fatal);
    LoadRegionCatalogueText(tree, text);
    tree.SetAllChecked(true);
    ASSERT_EQ(CollectCheckedRegions(tree).size(), tree.NodeCount()) << text.toStdString();
  }
}

// The parent search as first written: a scan of the sibling chain, then of each sibling's
// children chain by the same rule. The indexed search must agree with it everywhere.
RegionNode SlowFind(const RegionTreeModel& tree, RegionNode start, const QString& key) {
  const QString pattern = u" ("_qs + key + u')';
  for (RegionNode node = start; node != kNoNode; node = tree.NextSibling(node))
    if (tree.Text(node).contains(pattern)) return node;
  for (RegionNode node = start; node != kNoNode; node = tree.NextSibling(node)) {
    const RegionNode found = SlowFind(tree, tree.FirstChild(node), key);
    if (found != kNoNode) return found;
  }
  return kNoNode;
}

TEST(RegionCatalogue, IndexedParentSearchAgreesWithPlainScan) {
  QRandomGenerator random(20261209);
  const QStringList keys = {u"1"_qs, u"2"_qs, u"12"_qs, u"x"_qs, u""_qs, u"1) (2"_qs, u"a (1"_qs};
  for (int round = 0; round < 40; ++round) {
    RegionTreeModel tree;
    for (int i = 0; i < 60; ++i) {
      const RegionNode parent = tree.NodeCount() == 0 || random.bounded(4) == 0
                                    ? kNoNode
                                    : static_cast<RegionNode>(random.bounded(tree.NodeCount()));
      QString name = u"n"_qs;
      if (random.bounded(5) == 0) name += u" ("_qs + keys[random.bounded(keys.size())] + u')';
      tree.AppendNode(parent, RegionNodeText(name, keys[random.bounded(keys.size())]));
    }
    for (RegionNode start = 0; start < tree.NodeCount(); ++start) {
      for (const QString& key : keys) {
        ASSERT_EQ(FindRegionNode(tree, start, key), SlowFind(tree, start, key))
            << "round " << round << " start " << start << " key " << key.toStdString();
      }
    }
  }
  RegionTreeModel empty;
  EXPECT_EQ(FindRegionNode(empty, empty.FirstTopLevel(), u"1"), kNoNode);
}

}  // namespace
}  // namespace korvath
