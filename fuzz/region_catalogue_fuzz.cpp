#include "inputs/region_catalogue.h"
#include "inputs/region_tree_walk.h"
#include "scratch_folder.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

using korvath::kNoNode;
using korvath::RegionNode;
using korvath::RegionTreeModel;

// The search written out as a walk: the siblings from `start` on, then their subtrees in order.
RegionNode WalkFind(const RegionTreeModel& tree, RegionNode start, const QString& pattern) {
  for (RegionNode node = start; node != kNoNode; node = tree.NextSibling(node)) {
    if (tree.Text(node).contains(pattern)) return node;
  }
  for (RegionNode node = start; node != kNoNode; node = tree.NextSibling(node)) {
    const RegionNode found = WalkFind(tree, tree.FirstChild(node), pattern);
    if (found != kNoNode) return found;
  }
  return kNoNode;
}

// The text between a node's last " (" and the ")" after it: the key its children name.
QString KeyOf(const QString& text) {
  const qsizetype open = text.lastIndexOf(u" (");
  if (open < 0) return text;
  const QString rest = text.mid(open + 2);
  const qsizetype close = rest.indexOf(u')');
  return close < 0 ? rest : rest.left(close);
}

}  // namespace

// A "regions.html" of any bytes loads without failing; every node is reached once in pre-order,
// and the indexed search for a parent finds the same node as the plain walk, from the top and
// from inside the tree.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  korvath::PutScratchFile(u"regions.html"_qs, data, size);
  RegionTreeModel tree;
  korvath::LoadRegionCatalogue(tree, korvath::ScratchFolder());

  int visited = 0;
  korvath::ForEachInPreOrder(tree, [&](RegionNode) { ++visited; });
  if (visited != tree.NodeCount()) std::abort();

  const int probes = std::min(tree.NodeCount(), 64);
  for (RegionNode node = 0; node < probes; ++node) {
    const QString key = KeyOf(tree.Text(node));
    const QString pattern = u" ("_qs + key + u')';
    for (const RegionNode start : {tree.FirstTopLevel(), node, tree.FirstChild(node)}) {
      if (korvath::FindRegionNode(tree, start, key) !=
          (start == kNoNode ? kNoNode : WalkFind(tree, start, pattern))) {
        std::abort();
      }
    }
  }
  korvath::CollectCheckedRegions(tree);
  return 0;
}
