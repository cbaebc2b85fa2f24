#include "ui/region_tree_view.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionViewItem>

namespace korvath {
namespace {

const QColor kLineColour(200, 200, 200);
constexpr int kIndentPixels = 19;
// Half the size of the expand marker, which the lines leave room for.
constexpr int kMarkerGap = 5;

bool HasNextSibling(const QModelIndex& index) {
  return index.sibling(index.row() + 1, 0).isValid();
}

}  // namespace

RegionTreeView::RegionTreeView(QWidget* parent) : QTreeView(parent) {
  setHeaderHidden(true);
  setIndentation(kIndentPixels);
  setUniformRowHeights(true);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setExpandsOnDoubleClick(true);
  header()->setStretchLastSection(false);
  header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  connect(this, &QTreeView::expanded, this,
          [this](const QModelIndex& index) { ReportExpansion(index, true); });
  connect(this, &QTreeView::collapsed, this,
          [this](const QModelIndex& index) { ReportExpansion(index, false); });
}

void RegionTreeView::SetRegionModel(RegionTreeModel* model) {
  model_ = model;
  setModel(model);
  connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) { ReportCurrent(current); });
  connect(model, &RegionTreeModel::expansionChanged, this, &RegionTreeView::FollowModelExpansion);
  connect(model, &RegionTreeModel::selectionChanged, this, &RegionTreeView::FollowModelSelection);
  connect(model, &QAbstractItemModel::modelReset, this, [this] {
    ApplyModelExpansion();
    FollowModelSelection(model_->SelectedNode());
  });
  ApplyModelExpansion();
  FollowModelSelection(model->SelectedNode());
}

QRect RegionTreeView::NodeTextRect(RegionNode node) const {
  if (model_ == nullptr || node == kNoNode) {
    return {};
  }
  const QModelIndex index = model_->IndexOf(node);
  QStyleOptionViewItem option;
  initViewItemOption(&option);
  option.rect = visualRect(index);
  option.index = index;
  option.text = model_->Text(node);
  option.features |= QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasCheckIndicator;
  option.checkState = model_->IsChecked(node) ? Qt::Checked : Qt::Unchecked;
  QRect text = style()->subElementRect(QStyle::SE_ItemViewItemText, &option, this);
  // The style gives the whole cell to the text; the node's text ends where its letters end.
  const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
  const int used = option.fontMetrics.horizontalAdvance(option.text) + 2 * margin;
  text.setWidth(std::min(text.width(), used));
  return text;
}

void RegionTreeView::mousePressEvent(QMouseEvent* event) {
  // The node menu acts on the selected node, so a right click must not move the selection.
  if (event->button() == Qt::RightButton) {
    event->accept();
    return;
  }
  QTreeView::mousePressEvent(event);
}

void RegionTreeView::drawBranches(QPainter* painter, const QRect& rect,
                                  const QModelIndex& index) const {
  QTreeView::drawBranches(painter, rect, index);
  painter->save();
  painter->setPen(QPen(kLineColour, 1, Qt::DotLine));
  const int indent = indentation();
  const bool hasChildren = model()->hasChildren(index);
  const int midY = rect.top() + rect.height() / 2;
  int columnLeft = rect.right() + 1 - indent;
  int midX = columnLeft + indent / 2;

  // The node's own column: a line from its parent's line to the node, the marker left free.
  const int gap = hasChildren ? kMarkerGap : 0;
  const bool lineFromAbove = index.row() > 0 || index.parent().isValid();
  if (lineFromAbove) {
    painter->drawLine(midX, rect.top(), midX, midY - gap);
  }
  if (HasNextSibling(index)) {
    painter->drawLine(midX, midY + gap, midX, rect.bottom());
  }
  painter->drawLine(midX + gap, midY, columnLeft + indent - 1, midY);

  // Ancestors' columns: a line passes by wherever an ancestor has a sibling still to come.
  for (QModelIndex ancestor = index.parent(); ancestor.isValid(); ancestor = ancestor.parent()) {
    columnLeft -= indent;
    midX -= indent;
    if (HasNextSibling(ancestor)) {
      painter->drawLine(midX, rect.top(), midX, rect.bottom());
    }
  }
  painter->restore();
}

void RegionTreeView::ApplyModelExpansion() {
  following_ = true;
  std::vector<RegionNode> pending;
  for (RegionNode n = model_->FirstTopLevel(); n != kNoNode; n = model_->NextSibling(n)) {
    pending.push_back(n);
  }
  while (!pending.empty()) {
    const RegionNode node = pending.back();
    pending.pop_back();
    if (model_->IsExpanded(node)) {
      setExpanded(model_->IndexOf(node), true);
    }
    for (RegionNode c = model_->FirstChild(node); c != kNoNode; c = model_->NextSibling(c)) {
      pending.push_back(c);
    }
  }
  following_ = false;
}

void RegionTreeView::FollowModelExpansion(RegionNode node, bool expanded) {
  following_ = true;
  setExpanded(model_->IndexOf(node), expanded);
  following_ = false;
}

void RegionTreeView::FollowModelSelection(RegionNode node) {
  following_ = true;
  if (node == kNoNode) {
    selectionModel()->clearCurrentIndex();
    clearSelection();
  } else {
    setCurrentIndex(model_->IndexOf(node));
  }
  following_ = false;
}

void RegionTreeView::ReportExpansion(const QModelIndex& index, bool expanded) {
  if (!following_) {
    model_->SetExpanded(model_->NodeOf(index), expanded);
  }
}

void RegionTreeView::ReportCurrent(const QModelIndex& current) {
  if (!following_ && current.isValid()) {
    model_->SetSelectedNode(model_->NodeOf(current));
  }
}

}  // namespace korvath
