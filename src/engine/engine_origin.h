#pragma once

#include <QStringView>

namespace korvath {

// The search engine's public origin; both front ends use it unless told another one.
inline constexpr QStringView kDefaultEngineOrigin = u"https://yandex.ru";

}  // namespace korvath
