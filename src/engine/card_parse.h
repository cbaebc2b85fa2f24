#pragma once

#include <QString>
#include <QStringView>

namespace korvath {

struct CardValues {
  QString company;
  QString cardRegion;
  QString address;
  QString phone;
  QString email;
};

// The five contact values of a contact card page.
CardValues ParseCard(QStringView card);
// Whether the page holds any of the markers a card's values are read from.
bool HasCardMarkers(QStringView card);

}  // namespace korvath
