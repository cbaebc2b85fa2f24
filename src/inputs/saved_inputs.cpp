#include "inputs/saved_inputs.h"

#include "inputs/region_tree_walk.h"
#include "textutil/text_file.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSet>

#include <algorithm>

namespace korvath {
namespace {

const QString kQueriesFile = u"keywords.txt"_qs;
const QString kSelectionFile = u"selection1.txt"_qs;

QStringList ReadLinesIfPresent(const QString& path) {
  if (!QFileInfo::exists(path)) return {};
  return ReadTextLines(path);
}

// Blank means nothing but spaces and control characters, line breaks included.
bool IsBlank(const QStringList& lines) {
  return std::all_of(lines.cbegin(), lines.cend(), [](const QString& line) {
    return std::all_of(line.cbegin(), line.cend(), [](QChar c) { return c.unicode() <= 32; });
  });
}

}  // namespace

QStringList CollectCheckedNodeTexts(const RegionTreeModel& tree) {
  QStringList texts;
  ForEachInPreOrder(tree, [&](RegionNode node) {
    if (tree.IsChecked(node)) texts.append(tree.Text(node));
  });
  return texts;
}

void RestoreCheckedNodes(RegionTreeModel& tree, const QStringList& texts) {
  const QLocale locale = QLocale::system();
  QSet<QString> wanted;
  for (const QString& text : texts) wanted.insert(locale.toLower(text));

  std::vector<bool> checked(static_cast<size_t>(tree.NodeCount()), false);
  for (RegionNode node = 0; node < tree.NodeCount(); ++node)
    checked[node] = wanted.contains(locale.toLower(tree.Text(node)));
  tree.SetCheckedWhere([&checked](RegionNode node) { return bool(checked[node]); });

  // Each ancestor is expanded once, however many ticked nodes lie below it.
  std::vector<bool> revealed(checked.size(), false);
  for (RegionNode node = 0; node < tree.NodeCount(); ++node) {
    if (!checked[node]) continue;
    for (RegionNode ancestor = tree.Parent(node); ancestor != kNoNode && !revealed[ancestor];
         ancestor = tree.Parent(ancestor)) {
      revealed[ancestor] = true;
      tree.SetExpanded(ancestor, true);
    }
  }
}

void RestoreSelection(RegionTreeModel& tree, const QString& programFolder) {
  RestoreCheckedNodes(tree, ReadLinesIfPresent(QDir(programFolder).filePath(kSelectionFile)));
  const RegionNode first = tree.FirstTopLevel();
  if (first != kNoNode) tree.SetSelectedNode(first);
}

QStringList LoadQueries(const QString& programFolder) {
  return ReadLinesIfPresent(QDir(programFolder).filePath(kQueriesFile));
}

void SaveSelection(const RegionTreeModel& tree, const QString& programFolder) {
  WriteTextLines(QDir(programFolder).filePath(kSelectionFile), CollectCheckedNodeTexts(tree));
}

// An emptied query list keeps the previous file, so clearing the list by mistake loses nothing.
void SaveQueries(const QStringList& lines, const QString& programFolder) {
  if (IsBlank(lines)) return;
  WriteTextLines(QDir(programFolder).filePath(kQueriesFile), lines);
}

}  // namespace korvath
