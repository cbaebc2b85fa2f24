#pragma once

#include <QString>
#include <QStringView>

namespace korvath {

// The three forms a Russian noun takes after a number: "попытка" (1, 21, 101), "попытки" (2–4,
// 22–24) and "попыток" (0, 5–20, 25–30, 111–114).
struct NounForms {
  QStringView one;
  QStringView few;
  QStringView many;
};

// The form that agrees with `count`.
QStringView NounForCount(qint64 count, const NounForms& forms);

// The number and the noun that agrees with it: "1 попытка", "2 попытки", "5 попыток".
QString CountOf(qint64 count, const NounForms& forms);

}  // namespace korvath
