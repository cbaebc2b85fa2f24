#include "ui/window_look.h"

#include <QProgressBar>
#include <QStringList>

namespace korvath {

QFont TahomaFont(int pixelSize) {
  QFont font;
  font.setFamilies({u"Tahoma"_qs, u"Verdana"_qs, u"DejaVu Sans"_qs, u"Liberation Sans"_qs});
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(pixelSize);
  return font;
}

void StyleGradientBar(QProgressBar& bar, const QColor& from, const QColor& to) {
  bar.setTextVisible(false);
  bar.setStyleSheet(
      u"QProgressBar { border: 1px solid #a0a0a0; background: #f0f0f0; }"
      "QProgressBar::chunk { background: qlineargradient(x1: 0, y1: 0, x2: 1, y2: 0, "
      "stop: 0 %1, stop: 1 %2); }"_qs.arg(from.name(), to.name()));
}

}  // namespace korvath
