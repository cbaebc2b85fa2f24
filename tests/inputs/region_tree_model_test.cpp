#include "inputs/region_tree_model.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include "results/qt_printers.h"

namespace korvath {
namespace {

// Three parents with three children each, under one top-level node each.
void Fill(RegionTreeModel& tree) {
  for (int top = 0; top < 3; ++top) {
    const RegionNode parent = tree.AppendNode(kNoNode, u"top %1"_qs.arg(top));
    for (int child = 0; child < 3; ++child)
      tree.AppendNode(parent, u"child %1.%2"_qs.arg(top).arg(child));
  }
}

TEST(RegionTreeModel, TicksAreIndependentAndMassTicksSignalOncePerParent) {
  RegionTreeModel tree;
  QAbstractItemModelTester tester(&tree, QAbstractItemModelTester::FailureReportingMode::Warning);
  Fill(tree);
  QSignalSpy changes(&tree, &QAbstractItemModel::dataChanged);

  tree.SetChecked(0, true);
  EXPECT_FALSE(tree.IsChecked(1));
  EXPECT_TRUE(tree.setData(tree.IndexOf(1), Qt::Checked, Qt::CheckStateRole));
  EXPECT_TRUE(tree.IsChecked(1));
  EXPECT_EQ(tree.data(tree.IndexOf(1), Qt::CheckStateRole).toInt(), Qt::Checked);
  EXPECT_TRUE(tree.flags(tree.IndexOf(1)) & Qt::ItemIsUserCheckable);
  EXPECT_EQ(changes.count(), 2);

  changes.clear();
  tree.SetAllChecked(true);
  EXPECT_EQ(changes.count(), 4);  // the top level and three parents
  for (RegionNode node = 0; node < tree.NodeCount(); ++node) EXPECT_TRUE(tree.IsChecked(node));

  changes.clear();
  tree.SetSubtreeChecked(4, false);
  EXPECT_EQ(changes.count(), 2);  // the top level and node 4's children
  for (RegionNode node = 0; node < tree.NodeCount(); ++node)
    EXPECT_EQ(tree.IsChecked(node), node < 4 || node > 7) << node;
}

TEST(RegionTreeModel, NavigationAndIndexesAgree) {
  RegionTreeModel tree;
  Fill(tree);
  EXPECT_EQ(tree.FirstTopLevel(), 0);
  EXPECT_EQ(tree.NextSibling(0), 4);
  EXPECT_EQ(tree.NextSibling(8), kNoNode);
  EXPECT_EQ(tree.FirstChild(4), 5);
  EXPECT_EQ(tree.Parent(7), 4);
  EXPECT_EQ(tree.NodeOf(tree.index(2, 0, tree.IndexOf(4))), 7);
  EXPECT_EQ(tree.NodeOf(tree.parent(tree.IndexOf(7))), 4);
  EXPECT_EQ(tree.Text(kNoNode), QString());
  EXPECT_EQ(tree.FirstChild(99), kNoNode);
}

TEST(RegionTreeModel, ExpansionAndSelectionSignalOnlyOnChange) {
  RegionTreeModel tree;
  Fill(tree);
  QSignalSpy expansion(&tree, &RegionTreeModel::expansionChanged);
  QSignalSpy selection(&tree, &RegionTreeModel::selectionChanged);
  tree.SetExpanded(4, true);
  tree.SetExpanded(4, true);
  tree.SetSelectedNode(5);
  tree.SetSelectedNode(5);
  EXPECT_EQ(expansion.count(), 1);
  EXPECT_EQ(selection.count(), 1);
  tree.Clear();
  EXPECT_EQ(tree.NodeCount(), 0);
  EXPECT_EQ(tree.SelectedNode(), kNoNode);
  EXPECT_EQ(selection.count(), 2);
}

}  // namespace
}  // namespace korvath
