#pragma once

#include <QStringView>

namespace korvath {

// Stands in all five card values of an ad without a card link or whose card is answered 404.
inline constexpr QStringView kMissingCardFiller = u"Страница контактной информации отсутствует";

// The card region of a card that names no location.
inline constexpr QStringView kRegionNotGiven = u"Регион не указан";

}  // namespace korvath
