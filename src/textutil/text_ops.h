#pragma once

#include <QString>
#include <QStringView>

// Marker-based text operations over whole pages held as UTF-16 text.
// Positions are 1-based and 0 means "not found"; every search is exact and case-sensitive.
namespace korvath {

// First occurrence of `sub` in `text` starting at position `from` or later; 0 when `from` is
// below 1, when either text is empty, or when nothing fits.
qsizetype Find(QStringView text, QStringView sub, qsizetype from = 1);

// The `count` code units from position `pos` on; empty when `count` <= 0, cut at the end.
QStringView Copy(QStringView text, qsizetype pos, qsizetype count);

// Without leading and trailing code units of value 0 to 32; other white space stays.
QStringView Trimmed(QStringView text);

QString ReplaceAll(QStringView text, QStringView pattern, QStringView replacement);
qsizetype LastPos(QStringView sub, QStringView text, qsizetype limit);
QString TextAfterMarker(QStringView text, QStringView marker, QStringView second, QStringView end);
QString TextBeforeMarker(QStringView text, QStringView marker, QStringView second,
                         QStringView start);
QString HtmlToText(QStringView fragment);

}  // namespace korvath
