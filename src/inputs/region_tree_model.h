#pragma once

#include <QAbstractItemModel>
#include <QHash>
#include <QString>

#include <functional>
#include <vector>

namespace korvath {

using RegionNode = int;
inline constexpr RegionNode kNoNode = -1;

// The one region tree: nodes with a text and an independent tick (no tri-state, no cascade),
// plus the expansion and selection state that the window's tree view follows. Handles run from
// 0 to NodeCount() - 1 in the order the nodes were appended; Clear ends them all.
class RegionTreeModel : public QAbstractItemModel {
  Q_OBJECT

 public:
  explicit RegionTreeModel(QObject* parent = nullptr);

  // Adds a node as the last child of `parent` (kNoNode: top level) and returns its handle.
  RegionNode AppendNode(RegionNode parent, const QString& text);

  RegionNode FirstTopLevel() const;
  RegionNode FirstChild(RegionNode node) const;
  RegionNode NextSibling(RegionNode node) const;
  RegionNode Parent(RegionNode node) const;
  const QString& Text(RegionNode node) const;

  bool IsChecked(RegionNode node) const;
  void SetChecked(RegionNode node, bool checked);
  void SetAllChecked(bool checked);
  // Sets every node's tick to `checked(node)`, with one change signal per parent.
  void SetCheckedWhere(const std::function<bool(RegionNode)>& checked);
  // Ticks or unticks the node and everything below it.
  void SetSubtreeChecked(RegionNode node, bool checked);

  bool IsExpanded(RegionNode node) const;
  void SetExpanded(RegionNode node, bool expanded);

  RegionNode SelectedNode() const;
  void SetSelectedNode(RegionNode node);

  int NodeCount() const;
  void Clear();

  // Between these calls appended nodes raise no row signals; the end resets attached views,
  // which then take expansion and selection from the model again.
  void BeginBulkAppend();
  void EndBulkAppend();

  // Every node whose text contains " (key)" for a key without ")", in the order appended.
  const std::vector<RegionNode>& NodesWithBracketedKey(const QString& key) const;

  QModelIndex IndexOf(RegionNode node) const;
  RegionNode NodeOf(const QModelIndex& index) const;

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 signals:
  void expansionChanged(RegionNode node, bool expanded);
  void selectionChanged(RegionNode node);

 private:
  struct Node {
    QString text;
    RegionNode parent = kNoNode;
    int row = 0;
    std::vector<RegionNode> children;
    bool checked = false;
    bool expanded = false;
  };

  const std::vector<RegionNode>& ChildrenOf(RegionNode parent) const;
  bool IsValid(RegionNode node) const;
  void IndexBracketedKeys(RegionNode node);
  void EmitCheckChanges(const std::vector<bool>& parentTouched, bool topLevelTouched);

  std::vector<Node> nodes_;
  std::vector<RegionNode> topLevel_;
  QHash<QString, std::vector<RegionNode>> nodesByKey_;
  RegionNode selected_ = kNoNode;
  bool bulkAppend_ = false;
};

}  // namespace korvath
