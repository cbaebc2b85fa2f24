#include "ui/message_box.h"

#include <QMessageBox>
#include <QPushButton>

#include <vector>

namespace korvath {
namespace {

MessageBoxHook& Hook() {
  static MessageBoxHook hook;
  return hook;
}

QuestionHook& AskHook() {
  static QuestionHook hook;
  return hook;
}

}  // namespace

void ShowMessage(QWidget* parent, const QString& caption, const QString& text) {
  if (Hook()) {
    Hook()(parent, caption, text);
    return;
  }
  QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, parent);
  // Qt's Russian texts keep the Latin "OK"; Russian desktops write it in Cyrillic.
  box.button(QMessageBox::Ok)->setText(u"ОК"_qs);
  box.exec();
}

void SetMessageBoxHook(MessageBoxHook hook) { Hook() = std::move(hook); }

int AskQuestion(QWidget* parent, const QString& caption, const QString& text,
                const QStringList& answers) {
  if (AskHook()) return AskHook()(parent, caption, text, answers);
  QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::NoButton, parent);
  // One role for all keeps the buttons in the order given on every platform's layout.
  std::vector<QPushButton*> buttons;
  for (const QString& answer : answers)
    buttons.push_back(box.addButton(answer, QMessageBox::ActionRole));
  box.setDefaultButton(buttons.front());
  box.setEscapeButton(buttons.back());
  box.exec();
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    if (box.clickedButton() == buttons[i]) return static_cast<int>(i);
  }
  return static_cast<int>(buttons.size()) - 1;
}

void SetQuestionHook(QuestionHook hook) { AskHook() = std::move(hook); }

}  // namespace korvath
