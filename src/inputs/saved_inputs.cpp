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

TextFileLines ReadLinesIfPresent(const QString& path) {
  if (!QFileInfo::exists(path)) return {};
  return ReadTextFile(path);
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

QString QueriesFilePath(const QString& programFolder) {
  return QDir(programFolder).filePath(kQueriesFile);
}

QString SelectionFilePath(const QString& programFolder) {
  return QDir(programFolder).filePath(kSelectionFile);
}

TextFileLines RestoreSelection(RegionTreeModel& tree, const QString& programFolder) {
  TextFileLines saved = ReadLinesIfPresent(SelectionFilePath(programFolder));
  RestoreCheckedNodes(tree, saved.lines);
  const RegionNode first = tree.FirstTopLevel();
  if (first != kNoNode) tree.SetSelectedNode(first);
  return saved;
}

TextFileLines LoadQueries(const QString& programFolder) {
  return ReadLinesIfPresent(QueriesFilePath(programFolder));
}

void SaveSelection(const RegionTreeModel& tree, const QString& programFolder) {
  WriteTextLines(SelectionFilePath(programFolder), CollectCheckedNodeTexts(tree));
}

// An emptied query list keeps the previous file, so clearing the list by mistake loses nothing.
void SaveQueries(const QStringList& lines, const QString& programFolder) {
  if (IsBlank(lines)) return;
  WriteTextLines(QueriesFilePath(programFolder), lines);
}

}  // namespace korvath
