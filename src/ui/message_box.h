#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace korvath {

// Shows a message box with one OK button and waits until the user closes it.
void ShowMessage(QWidget* parent, const QString& caption, const QString& text);

// Replaces the message box, so that tests can answer it instead of a person; an empty hook
// brings the real message box back.
using MessageBoxHook =
    std::function<void(QWidget* parent, const QString& caption, const QString& text)>;
void SetMessageBoxHook(MessageBoxHook hook);

}  // namespace korvath
