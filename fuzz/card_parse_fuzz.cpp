#include "engine/card_parse.h"
#include "web/body_text.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

// The card parse of a received card. Its values never carry ";" (the CSV relies on that), and
// the region is never empty.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString card =
      korvath::BodyToText(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
  const korvath::CardValues values = korvath::ParseCard(card);
  for (const QString* value :
       {&values.company, &values.cardRegion, &values.address, &values.phone, &values.email}) {
    if (value->contains(u';')) {
      std::abort();
    }
  }
  if (values.cardRegion.isEmpty()) {
    std::abort();
  }
  return 0;
}
