#pragma once

#include <QColor>
#include <QFont>

class QProgressBar;

namespace korvath {

// Tahoma at `pixelSize`; where Tahoma is not installed, the closest sans-serif face that has
// Cyrillic letters stands in for it.
QFont TahomaFont(int pixelSize);

// A smooth bar without text whose filled part runs from `from` to `to`, left to right.
void StyleGradientBar(QProgressBar& bar, const QColor& from, const QColor& to);

}  // namespace korvath
