#include "ui/message_box.h"

#include <QMessageBox>

namespace korvath {
namespace {

MessageBoxHook& Hook() {
  static MessageBoxHook hook;
  return hook;
}

}  // namespace

void ShowMessage(QWidget* parent, const QString& caption, const QString& text) {
  if (Hook()) {
    Hook()(parent, caption, text);
    return;
  }
  QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, parent);
  box.exec();
}

void SetMessageBoxHook(MessageBoxHook hook) { Hook() = std::move(hook); }

}  // namespace korvath
