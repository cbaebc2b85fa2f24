#pragma once

#include <QCheckBox>

namespace korvath {

// A check box whose caption wraps onto further lines when it is wider than the box; the caption
// itself stays one text, as typed.
class WrappingCheckBox : public QCheckBox {
  Q_OBJECT

 public:
  explicit WrappingCheckBox(const QString& text, QWidget* parent = nullptr);

  // The width at which the caption, indicator included, takes about two lines.
  int TwoLineWidth() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool hitButton(const QPoint& pos) const override;

 private:
  QRect CaptionRect() const;
};

}  // namespace korvath
