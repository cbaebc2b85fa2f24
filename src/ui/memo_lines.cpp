#include "ui/memo_lines.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>

namespace korvath {

int MemoLineCount(const QPlainTextEdit& memo) {
  const QTextDocument& document = *memo.document();
  int count = document.blockCount();
  if (document.lastBlock().text().isEmpty()) {
    --count;
  }
  return count;
}

QString MemoLine(const QPlainTextEdit& memo, int index) {
  if (index < 0 || index >= MemoLineCount(memo)) {
    return {};
  }
  return memo.document()->findBlockByNumber(index).text();
}

QStringList MemoLines(const QPlainTextEdit& memo) {
  QStringList lines;
  const int count = MemoLineCount(memo);
  lines.reserve(count);
  QTextBlock block = memo.document()->firstBlock();
  for (int i = 0; i < count; ++i, block = block.next()) {
    lines << block.text();
  }
  return lines;
}

void SetMemoLines(QPlainTextEdit& memo, const QStringList& lines) {
  QString text = lines.join(u'\n');
  // An empty last line only survives when a line break follows it.
  if (!lines.isEmpty() && lines.last().isEmpty()) {
    text += u'\n';
  }
  memo.setPlainText(text);
}

}  // namespace korvath
