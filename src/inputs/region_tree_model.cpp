#include "inputs/region_tree_model.h"

namespace korvath {
namespace {

const QString& EmptyText() {
  static const QString empty;
  return empty;
}

const std::vector<RegionNode>& NoNodes() {
  static const std::vector<RegionNode> none;
  return none;
}

}  // namespace

RegionTreeModel::RegionTreeModel(QObject* parent) : QAbstractItemModel(parent) {}

bool RegionTreeModel::IsValid(RegionNode node) const {
  return node >= 0 && node < static_cast<RegionNode>(nodes_.size());
}

const std::vector<RegionNode>& RegionTreeModel::ChildrenOf(RegionNode parent) const {
  return parent == kNoNode ? topLevel_ : nodes_[parent].children;
}

RegionNode RegionTreeModel::AppendNode(RegionNode parent, const QString& text) {
  if (!IsValid(parent)) parent = kNoNode;
  const RegionNode node = static_cast<RegionNode>(nodes_.size());
  const int row = static_cast<int>(ChildrenOf(parent).size());
  if (!bulkAppend_) beginInsertRows(IndexOf(parent), row, row);
  nodes_.push_back(Node{text, parent, row, {}, false, false});
  (parent == kNoNode ? topLevel_ : nodes_[parent].children).push_back(node);
  IndexBracketedKeys(node);
  if (!bulkAppend_) endInsertRows();
  return node;
}

// Keys are what stands between each " (" and the first ")" after it, so that the parent
// search of a catalogue load looks a key up instead of scanning every node text.
void RegionTreeModel::IndexBracketedKeys(RegionNode node) {
  const QString& text = nodes_[node].text;
  for (qsizetype open = text.indexOf(u" ("); open >= 0; open = text.indexOf(u" (", open + 1)) {
    const qsizetype close = text.indexOf(u')', open + 2);
    if (close < 0) break;
    std::vector<RegionNode>& nodes = nodesByKey_[text.mid(open + 2, close - open - 2)];
    if (nodes.empty() || nodes.back() != node) nodes.push_back(node);
  }
}

const std::vector<RegionNode>& RegionTreeModel::NodesWithBracketedKey(const QString& key) const {
  const auto found = nodesByKey_.constFind(key);
  return found == nodesByKey_.cend() ? NoNodes() : *found;
}

RegionNode RegionTreeModel::FirstTopLevel() const {
  return topLevel_.empty() ? kNoNode : topLevel_.front();
}

RegionNode RegionTreeModel::FirstChild(RegionNode node) const {
  if (!IsValid(node) || nodes_[node].children.empty()) return kNoNode;
  return nodes_[node].children.front();
}

RegionNode RegionTreeModel::NextSibling(RegionNode node) const {
  if (!IsValid(node)) return kNoNode;
  const std::vector<RegionNode>& siblings = ChildrenOf(nodes_[node].parent);
  const size_t next = static_cast<size_t>(nodes_[node].row) + 1;
  return next < siblings.size() ? siblings[next] : kNoNode;
}

RegionNode RegionTreeModel::Parent(RegionNode node) const {
  return IsValid(node) ? nodes_[node].parent : kNoNode;
}

const QString& RegionTreeModel::Text(RegionNode node) const {
  return IsValid(node) ? nodes_[node].text : EmptyText();
}

bool RegionTreeModel::IsChecked(RegionNode node) const {
  return IsValid(node) && nodes_[node].checked;
}

void RegionTreeModel::SetChecked(RegionNode node, bool checked) {
  if (!IsValid(node) || nodes_[node].checked == checked) return;
  nodes_[node].checked = checked;
  const QModelIndex index = IndexOf(node);
  emit dataChanged(index, index, {Qt::CheckStateRole});
}

void RegionTreeModel::SetAllChecked(bool checked) {
  SetCheckedWhere([checked](RegionNode) { return checked; });
}

void RegionTreeModel::SetCheckedWhere(const std::function<bool(RegionNode)>& checked) {
  std::vector<bool> parentTouched(nodes_.size(), false);
  bool topLevelTouched = false;
  for (RegionNode node = 0; node < NodeCount(); ++node) {
    const bool value = checked(node);
    if (nodes_[node].checked == value) continue;
    nodes_[node].checked = value;
    if (nodes_[node].parent == kNoNode)
      topLevelTouched = true;
    else
      parentTouched[nodes_[node].parent] = true;
  }
  EmitCheckChanges(parentTouched, topLevelTouched);
}

void RegionTreeModel::SetSubtreeChecked(RegionNode node, bool checked) {
  if (!IsValid(node)) return;
  std::vector<bool> inSubtree(nodes_.size(), false);
  inSubtree[node] = true;
  // A child is always appended after its parent, so one pass in handle order reaches all.
  for (RegionNode other = node + 1; other < NodeCount(); ++other) {
    const RegionNode parent = nodes_[other].parent;
    if (parent != kNoNode && inSubtree[parent]) inSubtree[other] = true;
  }
  std::vector<bool> parentTouched(nodes_.size(), false);
  bool topLevelTouched = false;
  for (RegionNode other = node; other < NodeCount(); ++other) {
    if (!inSubtree[other] || nodes_[other].checked == checked) continue;
    nodes_[other].checked = checked;
    if (nodes_[other].parent == kNoNode)
      topLevelTouched = true;
    else
      parentTouched[nodes_[other].parent] = true;
  }
  EmitCheckChanges(parentTouched, topLevelTouched);
}

// One signal per parent whose children changed, covering all its children.
void RegionTreeModel::EmitCheckChanges(const std::vector<bool>& parentTouched,
                                       bool topLevelTouched) {
  const auto emitRange = [this](RegionNode parent) {
    const std::vector<RegionNode>& children = ChildrenOf(parent);
    emit dataChanged(IndexOf(children.front()), IndexOf(children.back()), {Qt::CheckStateRole});
  };
  if (topLevelTouched) emitRange(kNoNode);
  for (RegionNode parent = 0; parent < static_cast<RegionNode>(parentTouched.size()); ++parent)
    if (parentTouched[parent]) emitRange(parent);
}

bool RegionTreeModel::IsExpanded(RegionNode node) const {
  return IsValid(node) && nodes_[node].expanded;
}

void RegionTreeModel::SetExpanded(RegionNode node, bool expanded) {
  if (!IsValid(node) || nodes_[node].expanded == expanded) return;
  nodes_[node].expanded = expanded;
  emit expansionChanged(node, expanded);
}

RegionNode RegionTreeModel::SelectedNode() const { return selected_; }

void RegionTreeModel::SetSelectedNode(RegionNode node) {
  if (!IsValid(node)) node = kNoNode;
  if (selected_ == node) return;
  selected_ = node;
  emit selectionChanged(node);
}

int RegionTreeModel::NodeCount() const { return static_cast<int>(nodes_.size()); }

void RegionTreeModel::Clear() {
  beginResetModel();
  nodes_.clear();
  topLevel_.clear();
  nodesByKey_.clear();
  endResetModel();
  SetSelectedNode(kNoNode);
}

void RegionTreeModel::BeginBulkAppend() {
  if (bulkAppend_) return;
  beginResetModel();
  bulkAppend_ = true;
}

void RegionTreeModel::EndBulkAppend() {
  if (!bulkAppend_) return;
  bulkAppend_ = false;
  endResetModel();
}

QModelIndex RegionTreeModel::IndexOf(RegionNode node) const {
  if (!IsValid(node)) return {};
  return createIndex(nodes_[node].row, 0, static_cast<quintptr>(node));
}

RegionNode RegionTreeModel::NodeOf(const QModelIndex& index) const {
  if (!index.isValid() || index.model() != this) return kNoNode;
  const auto node = static_cast<RegionNode>(index.internalId());
  return IsValid(node) ? node : kNoNode;
}

QModelIndex RegionTreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (column != 0 || row < 0) return {};
  const RegionNode parentNode = NodeOf(parent);
  if (parent.isValid() && parentNode == kNoNode) return {};
  const std::vector<RegionNode>& children = ChildrenOf(parentNode);
  if (static_cast<size_t>(row) >= children.size()) return {};
  return createIndex(row, 0, static_cast<quintptr>(children[row]));
}

QModelIndex RegionTreeModel::parent(const QModelIndex& child) const {
  return IndexOf(Parent(NodeOf(child)));
}

int RegionTreeModel::rowCount(const QModelIndex& parent) const {
  if (parent.column() > 0) return 0;
  const RegionNode parentNode = NodeOf(parent);
  if (parent.isValid() && parentNode == kNoNode) return 0;
  return static_cast<int>(ChildrenOf(parentNode).size());
}

int RegionTreeModel::columnCount(const QModelIndex&) const { return 1; }

QVariant RegionTreeModel::data(const QModelIndex& index, int role) const {
  const RegionNode node = NodeOf(index);
  if (node == kNoNode) return {};
  if (role == Qt::DisplayRole) return nodes_[node].text;
  if (role == Qt::CheckStateRole) return nodes_[node].checked ? Qt::Checked : Qt::Unchecked;
  return {};
}

bool RegionTreeModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  const RegionNode node = NodeOf(index);
  if (node == kNoNode || role != Qt::CheckStateRole) return false;
  SetChecked(node, value.toInt() != Qt::Unchecked);
  return true;
}

Qt::ItemFlags RegionTreeModel::flags(const QModelIndex& index) const {
  if (NodeOf(index) == kNoNode) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable;
}

}  // namespace korvath
