#pragma once

#include <QString>

namespace korvath {

// A ticked region as the job and the journal carry it: its name, "=", its rid.
struct RegionParts {
  QString name;
  QString rid;
};

// The name before the first "=", the rid after it; an entry without "=" is a rid without a name.
RegionParts SplitRegionEntry(const QString& regionEntry);

}  // namespace korvath
