#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace korvath {

// Caption of the boxes in which the window reports an error of a command or asks a question.
inline constexpr char16_t kBoxCaption[] = u"Korvath";

// Shows a message box with one OK button and waits until the user closes it.
void ShowMessage(QWidget* parent, const QString& caption, const QString& text);

// Replaces the message box, so that tests can answer it instead of a person; an empty hook
// brings the real message box back.
using MessageBoxHook =
    std::function<void(QWidget* parent, const QString& caption, const QString& text)>;
void SetMessageBoxHook(MessageBoxHook hook);

// Asks a question with one button per answer (at least one), in their order, and waits for the
// user's choice:
// the first answer is the default, the last one is what Escape or closing the box chooses.
// Returns the index of the answer chosen.
int AskQuestion(QWidget* parent, const QString& caption, const QString& text,
                const QStringList& answers);

// Replaces the question box as SetMessageBoxHook does the message box; the hook returns the
// index of its answer.
using QuestionHook = std::function<int(QWidget* parent, const QString& caption, const QString& text,
                                       const QStringList& answers)>;
void SetQuestionHook(QuestionHook hook);

}  // namespace korvath
