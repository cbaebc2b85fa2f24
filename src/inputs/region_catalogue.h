#pragma once

#include "inputs/region_tree_model.h"

#include <QString>
#include <QStringList>
#include <QStringView>

namespace korvath {

// Fills the tree from "regions.html" in the program folder. Throws std::runtime_error when the
// file cannot be opened; whatever it contains is loaded as far as it can be.
void LoadRegionCatalogue(RegionTreeModel& tree, const QString& programFolder);

// Throws std::runtime_error, naming the catalogue file, when the tree holds no region: a file
// that is empty or not the catalogue loads as nothing, and every later step would only say that
// no region is ticked.
void CheckCatalogueHasRegions(const RegionTreeModel& tree, const QString& programFolder);

// Fills the tree from the catalogue's text. Never throws.
void LoadRegionCatalogueText(RegionTreeModel& tree, QStringView text);

// The first node whose text contains " (key)": the siblings from `start` on win over their
// subtrees, which are searched in sibling order by the same rule. kNoNode when none.
RegionNode FindRegionNode(const RegionTreeModel& tree, RegionNode start, QStringView key);

// "name=rid" of every ticked node, in pre-order.
QStringList CollectCheckedRegions(const RegionTreeModel& tree);

// "name (rid)".
QString RegionNodeText(const QString& name, const QString& rid);

// "name=rid" read back from a node's text, split at its last " (".
QString RegionEntryFromNodeText(const QString& nodeText);

}  // namespace korvath
