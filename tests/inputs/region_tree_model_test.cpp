#include "inputs/region_tree_model.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace korvath {
namespace {

TEST(RegionTreeModel, TicksAreIndependentAndMassTicksSignalOncePerParent) {
  RegionTreeModel tree;
  QAbstractItemModelTester tester(&tree, QAbstractItemModelTester::FailureReportingMode::Fatal);
  for (int top = 0; top < 3; ++top) {  // nodes 0, 4, 8 with three children each
    const RegionNode parent = tree.AppendNode(kNoNode, u"top"_qs);
    for (int child = 0; child < 3; ++child) tree.AppendNode(parent, u"child"_qs);
  }
  QSignalSpy changes(&tree, &QAbstractItemModel::dataChanged);

  EXPECT_TRUE(tree.setData(tree.IndexOf(1), Qt::Checked, Qt::CheckStateRole));
  EXPECT_TRUE(tree.IsChecked(1));
  EXPECT_FALSE(tree.IsChecked(0));
  EXPECT_EQ(changes.count(), 1);

  changes.clear();
  tree.SetAllChecked(true);
  EXPECT_EQ(changes.count(), 4);  // the top level and three parents

  changes.clear();
  tree.SetSubtreeChecked(4, false);
  EXPECT_EQ(changes.count(), 2);  // the top level and node 4's children
  for (RegionNode node = 0; node < tree.NodeCount(); ++node)
    EXPECT_EQ(tree.IsChecked(node), node < 4 || node > 7) << node;

  QSignalSpy selection(&tree, &RegionTreeModel::selectionChanged);
  tree.SetSelectedNode(5);
  tree.SetSelectedNode(5);
  tree.Clear();
  EXPECT_EQ(selection.count(), 2);
  EXPECT_EQ(tree.SelectedNode(), kNoNode);
}

}  // namespace
}  // namespace korvath
