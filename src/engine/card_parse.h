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

}  // namespace korvath
