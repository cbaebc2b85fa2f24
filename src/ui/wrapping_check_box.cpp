#include "ui/wrapping_check_box.h"

#include <QPainter>
#include <QStyleOptionButton>

namespace korvath {

WrappingCheckBox::WrappingCheckBox(const QString& text, QWidget* parent)
    : QCheckBox(text, parent) {}

int WrappingCheckBox::TwoLineWidth() const {
  const int indicator = style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this) +
                        style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, this);
  // Half the caption plus room for the word that does not fit where the line breaks.
  return indicator + fontMetrics().horizontalAdvance(text()) / 2 +
         fontMetrics().horizontalAdvance(u"объявлений"_qs);
}

void WrappingCheckBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QStyleOptionButton option;
  initStyleOption(&option);
  const QString caption = option.text;
  option.text.clear();
  const QRect indicator = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
  option.rect = indicator;
  style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &painter, this);
  painter.setPen(
      palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
  painter.drawText(CaptionRect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, caption);
  if (hasFocus()) {
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = CaptionRect();
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
  }
}

bool WrappingCheckBox::hitButton(const QPoint& pos) const { return rect().contains(pos); }

QRect WrappingCheckBox::CaptionRect() const {
  const int left = style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this) +
                   style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, this);
  return rect().adjusted(left, 0, 0, 0);
}

}  // namespace korvath
