#include "ui/log_follow.h"

#include <QPlainTextEdit>
#include <QScrollBar>

namespace korvath {

void AppendFollowingEnd(QPlainTextEdit& box, const QString& text) {
  QScrollBar& scroll = *box.verticalScrollBar();
  const bool atEnd = scroll.value() >= scroll.maximum();
  box.appendPlainText(text);
  if (atEnd) scroll.setValue(scroll.maximum());
}

}  // namespace korvath
