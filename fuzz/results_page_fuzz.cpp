#include "engine/results_page.h"
#include "textutil/text_ops.h"
#include "web/body_text.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

namespace {

// The cutting written out step by step on a copy whose front is deleted after every block.
QList<QString> ReferenceBlocks(const QString& page) {
  constexpr QStringView kMarker = u"data-cid=";
  QString w = page;
  QList<QString> blocks;
  for (;;) {
    const qsizetype q = korvath::Find(w, kMarker);
    if (q == 0) {
      return blocks;
    }
    qsizetype n = korvath::Find(w, kMarker, q + 9);
    if (n == 0) {
      n = w.size() + 1;
    }
    blocks.append(korvath::Copy(w, q, n - q - 1).toString());
    w.remove(0, q + 10);
  }
}

}  // namespace

// Everything the job reads from a received results page; for pages small enough the cutting is
// also checked against the step-by-step version.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString page =
      korvath::BodyToText(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
  korvath::NextPageAddress(page, u"https://yandex.ru",
                           u"https://yandex.ru/search/direct?text=a&lr=213");
  korvath::FoundLine(page);
  korvath::NothingFound(page);
  korvath::CardLinkCount(page);
  const QList<QStringView> blocks = korvath::AdBlocks(page);
  for (const QStringView block : blocks) {
    korvath::ReadAdFields(block);
  }
  if (page.size() <= 4096) {
    QList<QString> cut;
    for (const QStringView block : blocks) {
      cut.append(block.toString());
    }
    if (cut != ReferenceBlocks(page)) {
      std::abort();
    }
  }
  return 0;
}
