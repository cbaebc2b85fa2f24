#pragma once

#include "inputs/region_tree_model.h"
#include "textutil/text_file.h"

#include <QString>
#include <QStringList>

namespace korvath {

// Texts of every ticked node, in pre-order.
QStringList CollectCheckedNodeTexts(const RegionTreeModel& tree);

// Ticks every node whose text equals one of `texts` ignoring case (by the locale's rules) and
// expands its ancestors so that it can be seen.
void RestoreCheckedNodes(RegionTreeModel& tree, const QStringList& texts);

// "keywords.txt" and "selection1.txt" in the program folder.
QString QueriesFilePath(const QString& programFolder);
QString SelectionFilePath(const QString& programFolder);

// Restores the ticks saved in "selection1.txt" and selects the first top-level node. Returns what
// it read from the file (nothing when there is none).
TextFileLines RestoreSelection(RegionTreeModel& tree, const QString& programFolder);

// The lines of "keywords.txt", or none when it does not exist.
TextFileLines LoadQueries(const QString& programFolder);

// Saves the ticked nodes' texts to "selection1.txt".
void SaveSelection(const RegionTreeModel& tree, const QString& programFolder);

// Saves the query lines to "keywords.txt"; a list of blank lines only is not saved.
void SaveQueries(const QStringList& lines, const QString& programFolder);

}  // namespace korvath
