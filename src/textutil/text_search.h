#pragma once

#include <QStringView>

// Exact, case-sensitive substring search with 0-based indexes and -1 for "no match", tuned for
// whole pages searched again and again for short ASCII markers.
namespace korvath {

// First occurrence of `sub` starting at `from` or later; the same answer as
// QStringView::indexOf (an empty `sub` matches at `from` when `from` lies inside the text).
qsizetype IndexOf(QStringView text, QStringView sub, qsizetype from = 0);

// Last occurrence of `sub` that lies wholly inside `text`; -1 when there is none or `sub` is empty.
qsizetype LastIndexOf(QStringView text, QStringView sub);

}  // namespace korvath
