#pragma once

#include "inputs/region_tree_model.h"

#include <QTreeView>

namespace korvath {

// Shows the region tree model as it stands: its expansion and selected node are the model's,
// kept in step both ways. Every node has its own tick box; a right click opens the context menu
// without selecting the node under the mouse.
class RegionTreeView : public QTreeView {
  Q_OBJECT

 public:
  explicit RegionTreeView(QWidget* parent = nullptr);

  void SetRegionModel(RegionTreeModel* model);

  // The rectangle that the node's text takes up, in viewport coordinates; empty for no node.
  QRect NodeTextRect(RegionNode node) const;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const override;

 private:
  void ApplyModelExpansion();
  void FollowModelExpansion(RegionNode node, bool expanded);
  void FollowModelSelection(RegionNode node);
  void ReportExpansion(const QModelIndex& index, bool expanded);
  void ReportCurrent(const QModelIndex& current);

  RegionTreeModel* model_ = nullptr;
  bool following_ = false;
};

}  // namespace korvath
