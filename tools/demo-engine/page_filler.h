#pragma once

#include <string>

namespace korvath::demo {

// Appends at least `bytes` bytes of harmless markup (whole elements, none of the markers the
// program looks for), so pages can be as heavy as real ones.
void AppendFiller(std::string& out, int bytes);

}  // namespace korvath::demo
