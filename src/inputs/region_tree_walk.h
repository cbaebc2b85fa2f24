#pragma once

#include "inputs/region_tree_model.h"

namespace korvath {

// The node after `node` in pre-order: its first child, else the next sibling of it or of its
// nearest ancestor that has one; kNoNode after the last node.
RegionNode NextInPreOrder(const RegionTreeModel& tree, RegionNode node);

template <typename Visit>
void ForEachInPreOrder(const RegionTreeModel& tree, Visit&& visit) {
  for (RegionNode node = tree.FirstTopLevel(); node != kNoNode; node = NextInPreOrder(tree, node))
    visit(node);
}

}  // namespace korvath
