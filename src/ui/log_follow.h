#pragma once

#include <QString>

class QPlainTextEdit;

namespace korvath {

// Appends a paragraph to a log box. A box whose reader stands at its last line follows the new
// one; a reader who has scrolled up to read keeps their place until they scroll back down.
void AppendFollowingEnd(QPlainTextEdit& box, const QString& text);

}  // namespace korvath
