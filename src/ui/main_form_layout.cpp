// Where every control of the main window stands, and which of them grow with the window.
#include "ui/main_form.h"

#include "ui/region_tree_view.h"
#include "ui/wrapping_check_box.h"

#include <QDoubleSpinBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>

namespace korvath {
namespace {

constexpr int kMargin = 8;
constexpr int kGap = 6;
constexpr int kLabelHeight = 16;
constexpr QRect kTree(kMargin, kMargin + kLabelHeight + 2, 358, 386);
constexpr int kRightColumnLeft = kTree.right() + 1 + kMargin;
constexpr int kRowTop = kTree.bottom() + 1 + kMargin;
constexpr int kStartHeight = 50;
constexpr int kControlHeight = 22;
constexpr int kTwoLineHeight = 30;
constexpr int kSpinWidth = 64;
// Room for two digits, enough for the most workers.
constexpr int kNarrowSpinWidth = 48;
constexpr int kSmallButtonWidth = 60;
constexpr int kTreeButtonWidth = 96;
constexpr int kTreeButtonHeight = 21;
constexpr int kBarHeight = 17;
constexpr int kLogTop = kRowTop + kStartHeight + kMargin + kLabelHeight + 2;
constexpr int kSmallestLogHeight = 60;

int TextWidth(const QWidget& widget, const QString& text) {
  return widget.fontMetrics().horizontalAdvance(text) + 4;
}

}  // namespace

void TMainForm::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  LayOutControls();
}

void TMainForm::LayOutControls() {
  const int w = width();
  const int h = height();

  Label1->setGeometry(kMargin, kMargin, kTree.width(), kLabelHeight);
  RegionsTree->setGeometry(kTree);
  Label3->setGeometry(kRightColumnLeft, kMargin, w - kRightColumnLeft - kMargin, kLabelHeight);
  KeywordsMemo->setGeometry(kRightColumnLeft, kTree.top(), w - kRightColumnLeft - kMargin,
                            kTree.height());

  // The three tree buttons sit over the tree's lower right corner, clear of its scroll bars.
  const int scrollBarWidth = RegionsTree->verticalScrollBar()->sizeHint().width();
  const int scrollBarHeight = RegionsTree->horizontalScrollBar()->sizeHint().height();
  const int treeButtonLeft = kTree.right() - scrollBarWidth - 2 - kTreeButtonWidth;
  int treeButtonTop = kTree.bottom() - scrollBarHeight - 2 - 3 * kTreeButtonHeight;
  for (QPushButton* button : {Button2, SelectAllButton, Button1}) {
    button->setGeometry(treeButtonLeft, treeButtonTop, kTreeButtonWidth, kTreeButtonHeight);
    button->raise();
    treeButtonTop += kTreeButtonHeight;
  }

  StartButton->setGeometry(kMargin, kRowTop, kTree.width(), kStartHeight);

  // First settings row: the interval and the workers, which set the pace together, then the cap
  // check box with its box.
  int x = kRightColumnLeft;
  const int label4Width = TextWidth(*Label4, Label4->text());
  Label4->setGeometry(x, kRowTop, label4Width, kControlHeight);
  x += label4Width + kGap;
  IntervalSpinEdit->setGeometry(x, kRowTop, kSpinWidth, kControlHeight);
  PaceSpinEdit->setGeometry(x, kRowTop, kSpinWidth, kControlHeight);
  x += kSpinWidth + kGap;
  const int autoWidth = AutoIntervalCheckBox->sizeHint().width();
  AutoIntervalCheckBox->setGeometry(x, kRowTop, autoWidth, kControlHeight);
  x += autoWidth + 3 * kGap;
  const int workersLabelWidth = TextWidth(*WorkersLabel, WorkersLabel->text());
  WorkersLabel->setGeometry(x, kRowTop, workersLabelWidth, kControlHeight);
  x += workersLabelWidth + kGap;
  WorkersSpinEdit->setGeometry(x, kRowTop, kNarrowSpinWidth, kControlHeight);
  x += kNarrowSpinWidth + 3 * kGap;
  const int checkWidth = Limit10CheckBox->TwoLineWidth();
  Limit10CheckBox->setGeometry(x, kRowTop - (kTwoLineHeight - kControlHeight) / 2, checkWidth,
                               kTwoLineHeight);
  x += checkWidth + kGap;
  LimitSpinEdit->setGeometry(x, kRowTop, kSpinWidth, kControlHeight);
  const int firstRowRight = x + kSpinWidth;

  // Second row: the retry box after its two-line label; pause and stop keep to the right edge.
  const int secondRowTop = kRowTop + kControlHeight + kGap;
  const int label5Width =
      TextWidth(*Label5, Label5->text()) / 2 + TextWidth(*Label5, u"нашлось\","_qs);
  Label5->setGeometry(kRightColumnLeft, secondRowTop, label5Width, kTwoLineHeight);
  const int retryLeft = kRightColumnLeft + label5Width + kGap;
  RetrySpinEdit->setGeometry(retryLeft, secondRowTop + (kTwoLineHeight - kControlHeight) / 2,
                             kSpinWidth, kControlHeight);
  const int secondRowRight = retryLeft + kSpinWidth;
  StopButton->setGeometry(w - kMargin - kSmallButtonWidth, secondRowTop + 2, kSmallButtonWidth,
                          kControlHeight + 2);
  PauseButton->setGeometry(w - kMargin - 2 * kSmallButtonWidth - kGap, secondRowTop + 2,
                           kSmallButtonWidth, kControlHeight + 2);
  // The folder button stands apart from the job's buttons, left of them.
  const int openFolderWidth = TextWidth(*OpenFolderButton, OpenFolderButton->text()) + 2 * kGap;
  OpenFolderButton->setGeometry(PauseButton->x() - 3 * kGap - openFolderWidth, secondRowTop + 2,
                                openFolderWidth, kControlHeight + 2);

  Label2->setGeometry(kMargin, kLogTop - kLabelHeight - 2, 200, kLabelHeight);
  RunStateLabel->setGeometry(kMargin + 200, kLogTop - kLabelHeight - 2, w - 2 * kMargin - 200,
                             kLabelHeight);
  LogArea->setGeometry(kMargin, kLogTop, w - 2 * kMargin, h - kLogTop - 2 * kBarHeight - kGap);
  ProgressBar->setGeometry(0, h - 2 * kBarHeight, w, kBarHeight);
  StagesProgressBar->setGeometry(0, h - kBarHeight, w, kBarHeight);

  // The window may shrink only as far as every control keeps its room.
  const int widest =
      std::max(firstRowRight, secondRowRight + openFolderWidth + 2 * kSmallButtonWidth + 6 * kGap);
  setMinimumSize(widest + kMargin, kLogTop + kSmallestLogHeight + 2 * kBarHeight + kGap);
}

}  // namespace korvath
