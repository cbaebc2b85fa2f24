#include "inputs/region_entry.h"

namespace korvath {

RegionParts SplitRegionEntry(const QString& regionEntry) {
  const qsizetype separator = regionEntry.indexOf(u'=');
  if (separator < 0) return {QString(), regionEntry};
  return {regionEntry.left(separator), regionEntry.mid(separator + 1)};
}

}  // namespace korvath
