#include "inputs/region_catalogue.h"

#include "inputs/region_tree_walk.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>

#include <stdexcept>

namespace korvath {
namespace {

constexpr QStringView kRegionsStart = u"<td id=\"beginRegions\"";
constexpr QStringView kRegionsEnd = u"</tr>";
constexpr QStringView kLabelStart = u"<label for=\"";
constexpr QStringView kLabelEnd = u"</label>";
constexpr QStringView kPathEnd = u"_\"";
constexpr QStringView kTagClose = u"\">";
constexpr QStringView kNameEnd = u"</";

// The part of the file that holds the labels: from the start marker on (or from the beginning)
// up to the first end marker after it (or to the end).
QStringView NarrowToRegions(QStringView text) {
  const qsizetype start = text.indexOf(kRegionsStart);
  if (start >= 0) text = text.sliced(start);
  const qsizetype end = text.indexOf(kRegionsEnd);
  if (end >= 0) text = text.first(end);
  return text;
}

QStringView BeforeFirst(QStringView text, QStringView marker) {
  const qsizetype at = text.indexOf(marker);
  return at >= 0 ? text.first(at) : text;
}

// Where the label P/N in `label` (from its start marker up to its "</label>") belongs.
void AppendLabel(RegionTreeModel& tree, QStringView label) {
  const QStringView path = BeforeFirst(label.sliced(kLabelStart.size()), kPathEnd);
  const qsizetype tagClose = label.indexOf(kTagClose);
  if (tagClose < 0) return;
  const QString name = BeforeFirst(label.sliced(tagClose + kTagClose.size()), kNameEnd).toString();

  const qsizetype lastSeparator = path.lastIndexOf(u'_');
  if (lastSeparator < 0) {
    tree.AppendNode(kNoNode, RegionNodeText(name, path.toString()));
    return;
  }
  const QString rid = path.sliced(lastSeparator + 1).toString();
  const QStringView rest = path.first(lastSeparator);
  const QStringView parentKey = rest.sliced(rest.lastIndexOf(u'_') + 1);
  const RegionNode parent = FindRegionNode(tree, tree.FirstTopLevel(), parentKey);
  tree.AppendNode(parent, RegionNodeText(name, rid));
}

void ExpandInitially(RegionTreeModel& tree) {
  const RegionNode first = tree.FirstTopLevel();
  if (first == kNoNode) return;
  tree.SetExpanded(first, true);
  for (RegionNode child = tree.FirstChild(first); child != kNoNode; child = tree.NextSibling(child))
    tree.SetExpanded(child, true);
  tree.SetSelectedNode(first);
}

// Search order: a node's later siblings come before anything below it, and each subtree is
// searched by the same rule. Written relative to the sibling chain beginning at `start`.
struct SearchRank {
  std::vector<std::pair<bool, int>> steps;  // (goes deeper, sibling row) from the chain down

  bool operator<(const SearchRank& other) const { return steps < other.steps; }
};

// The rank of `node` in a search from `start`, or false when the search would not reach it.
bool RankFrom(const RegionTreeModel& tree, RegionNode start, RegionNode node, SearchRank& rank) {
  const RegionNode chainParent = tree.Parent(start);
  std::vector<RegionNode> path;
  RegionNode at = node;
  while (at != kNoNode && tree.Parent(at) != chainParent) {
    path.push_back(at);
    at = tree.Parent(at);
  }
  if (at == kNoNode) return false;
  path.push_back(at);
  const int startRow = tree.IndexOf(start).row();
  if (tree.IndexOf(at).row() < startRow) return false;
  rank.steps.clear();
  for (auto step = path.rbegin(); step != path.rend(); ++step)
    rank.steps.emplace_back(std::next(step) != path.rend(), tree.IndexOf(*step).row());
  return true;
}

RegionNode FindByWalking(const RegionTreeModel& tree, RegionNode start, const QString& pattern) {
  for (RegionNode node = start; node != kNoNode; node = tree.NextSibling(node))
    if (tree.Text(node).contains(pattern)) return node;
  for (RegionNode node = start; node != kNoNode; node = tree.NextSibling(node)) {
    const RegionNode found = FindByWalking(tree, tree.FirstChild(node), pattern);
    if (found != kNoNode) return found;
  }
  return kNoNode;
}

QString CataloguePath(const QString& programFolder) {
  return QDir(programFolder).filePath(u"regions.html"_qs);
}

}  // namespace

void LoadRegionCatalogue(RegionTreeModel& tree, const QString& programFolder) {
  const QString path = CataloguePath(programFolder);
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    throw std::runtime_error(
        QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()).toStdString());
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError)
    throw std::runtime_error(
        QStringLiteral("Cannot read file \"%1\". %2").arg(path, file.errorString()).toStdString());
  QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
  const QString text = decoder.decode(bytes);
  LoadRegionCatalogueText(tree, text);
}

void CheckCatalogueHasRegions(const RegionTreeModel& tree, const QString& programFolder) {
  if (tree.NodeCount() > 0) return;
  const QString path = QDir::toNativeSeparators(CataloguePath(programFolder));
  throw std::runtime_error(
      u"В каталоге регионов \"%1\" нет ни одного региона: файл пуст или это не каталог регионов."_qs
          .arg(path)
          .toStdString());
}

void LoadRegionCatalogueText(RegionTreeModel& tree, QStringView text) {
  text = NarrowToRegions(text);
  tree.BeginBulkAppend();
  // The first "</label>" at or after a label start; it serves every label start before it.
  qsizetype labelEnd = -1;
  for (qsizetype start = text.indexOf(kLabelStart); start >= 0;
       start = text.indexOf(kLabelStart, start + kLabelStart.size())) {
    if (labelEnd < start) labelEnd = text.indexOf(kLabelEnd, start);
    // Without a "</label>" here there is none after any later label start either.
    if (labelEnd < 0) break;
    AppendLabel(tree, text.sliced(start, labelEnd - start));
  }
  tree.EndBulkAppend();
  ExpandInitially(tree);
}

RegionNode FindRegionNode(const RegionTreeModel& tree, RegionNode start, QStringView key) {
  if (start == kNoNode) return kNoNode;
  QString pattern = u" ("_qs;
  pattern.append(key).append(u')');
  // Keys with ")" are not indexed; such malformed keys take the plain walk.
  if (key.contains(u')')) return FindByWalking(tree, start, pattern);

  RegionNode best = kNoNode;
  SearchRank bestRank;
  SearchRank rank;
  for (const RegionNode candidate : tree.NodesWithBracketedKey(key.toString())) {
    if (!RankFrom(tree, start, candidate, rank)) continue;
    if (best == kNoNode || rank < bestRank) {
      best = candidate;
      std::swap(bestRank, rank);
    }
  }
  return best;
}

QStringList CollectCheckedRegions(const RegionTreeModel& tree) {
  QStringList entries;
  ForEachInPreOrder(tree, [&](RegionNode node) {
    if (tree.IsChecked(node)) entries.append(RegionEntryFromNodeText(tree.Text(node)));
  });
  return entries;
}

QString RegionNodeText(const QString& name, const QString& rid) {
  return name + u" ("_qs + rid + u')';
}

QString RegionEntryFromNodeText(const QString& nodeText) {
  const qsizetype open = nodeText.lastIndexOf(u" (");
  if (open < 0) return nodeText + u'=';
  const QStringView rid = QStringView(nodeText).sliced(open + 2);
  return nodeText.left(open) + u'=' + BeforeFirst(rid, u")").toString();
}

}  // namespace korvath
