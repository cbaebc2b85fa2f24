#pragma once

#include <QStringList>

class QPlainTextEdit;

namespace korvath {

// The lines of a text box as its user sees them: a line ends at a line break, not where the box
// wraps it, and the empty line after a closing line break does not count.
int MemoLineCount(const QPlainTextEdit& memo);
QString MemoLine(const QPlainTextEdit& memo, int index);
QStringList MemoLines(const QPlainTextEdit& memo);

// Replaces the text box's content by these lines.
void SetMemoLines(QPlainTextEdit& memo, const QStringList& lines);

}  // namespace korvath
