#include "textutil/text_ops.h"
#include "web/body_text.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

// Cleaning any fragment leaves no tag start, no ";" and no CR, LF or TAB behind, and never
// makes the text longer.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString fragment =
      korvath::BodyToText(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
  const QString text = korvath::HtmlToText(fragment);
  for (const QChar c : text) {
    if (c == u'<' || c == u';' || c == u'\r' || c == u'\n' || c == u'\t') {
      std::abort();
    }
  }
  if (text.size() > fragment.size()) {
    std::abort();
  }
  return 0;
}
