#include "textutil/russian_plural.h"

namespace korvath {

QStringView NounForCount(qint64 count, const NounForms& forms) {
  const qint64 magnitude = count < 0 ? -(count % 100) : count % 100;
  if (magnitude >= 11 && magnitude <= 14) return forms.many;
  const qint64 last = magnitude % 10;
  if (last == 1) return forms.one;
  if (last >= 2 && last <= 4) return forms.few;
  return forms.many;
}

QString CountOf(qint64 count, const NounForms& forms) {
  return QString::number(count) + u' ' + NounForCount(count, forms).toString();
}

}  // namespace korvath
