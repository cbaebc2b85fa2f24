#pragma once

#include <QStringView>

#include <span>

namespace korvath {

struct NamedReference {
  QStringView name;  // "amp" for "&amp;"
  QStringView text;  // one or two characters
};

// The named character references of HTML, sorted by name.
std::span<const NamedReference> NamedReferences();

}  // namespace korvath
