#include "inputs/region_tree_walk.h"

namespace korvath {

RegionNode NextInPreOrder(const RegionTreeModel& tree, RegionNode node) {
  const RegionNode child = tree.FirstChild(node);
  if (child != kNoNode) return child;
  for (; node != kNoNode; node = tree.Parent(node)) {
    const RegionNode sibling = tree.NextSibling(node);
    if (sibling != kNoNode) return sibling;
  }
  return kNoNode;
}

}  // namespace korvath
