#pragma once

#include <QString>

namespace korvath {

// The Russian words for a reason the system gave in its own words for a failed file operation;
// empty when there are none to put in its place.
QString RussianSystemReason(const QString& systemReason);

}  // namespace korvath
