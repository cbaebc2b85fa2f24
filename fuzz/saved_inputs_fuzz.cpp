#include "inputs/region_catalogue.h"
#include "inputs/saved_inputs.h"
#include "scratch_folder.h"

#include <QFile>

#include <cstdint>
#include <cstdlib>

namespace {

// Ticking nodes by the selection file: texts with Cyrillic, case and bracket variants to match.
const QString kCatalogue =
    u"<td id=\"beginRegions\"><label for=\"225_\">Россия</label>"
    "<label for=\"225_1_\">Москва и область</label><label for=\"225_1_213_\">Москва</label>"
    "<label for=\"225_2_\">Санкт-Петербург</label><label for=\"187_\">Украина</label>"
    "<label for=\"187_143_\">Киев (город)</label><label for=\"84_\">USA</label></tr>"_qs;

bool IsBlank(const QStringList& lines) {
  for (const QString& line : lines) {
    for (const QChar c : line) {
      if (c.unicode() > 32) return false;
    }
  }
  return true;
}

// "keywords.txt" of any bytes: no line keeps a line break, and once read and saved the queries
// come back line for line; saving them again changes nothing.
void CheckQueries(const uint8_t* data, size_t size) {
  const QString& folder = korvath::ScratchFolder();
  korvath::PutScratchFile(u"keywords.txt"_qs, data, size);
  const QStringList first = korvath::LoadQueries(folder).lines;
  for (const QString& line : first) {
    if (line.contains(u'\r') || line.contains(u'\n')) std::abort();
  }
  korvath::SaveQueries(first, folder);
  const QStringList second = korvath::LoadQueries(folder).lines;
  if (IsBlank(first)) return;
  if (second.size() != first.size()) std::abort();
  korvath::SaveQueries(second, folder);
  if (korvath::LoadQueries(folder).lines != second) std::abort();
}

// "selection1.txt" of any bytes: the ticks it restores are saved and restored unchanged.
void CheckSelection(const uint8_t* data, size_t size) {
  const QString& folder = korvath::ScratchFolder();
  korvath::PutScratchFile(u"selection1.txt"_qs, data, size);
  korvath::RegionTreeModel tree;
  korvath::LoadRegionCatalogueText(tree, kCatalogue);
  korvath::RestoreSelection(tree, folder);
  const QStringList ticked = korvath::CollectCheckedNodeTexts(tree);
  korvath::SaveSelection(tree, folder);
  korvath::RegionTreeModel again;
  korvath::LoadRegionCatalogueText(again, kCatalogue);
  korvath::RestoreSelection(again, folder);
  if (korvath::CollectCheckedNodeTexts(again) != ticked) std::abort();
}

}  // namespace

// The first byte picks the file; the rest is its content.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  if (data[0] % 2 == 0) {
    CheckQueries(data + 1, size - 1);
  } else {
    CheckSelection(data + 1, size - 1);
  }
  return 0;
}
