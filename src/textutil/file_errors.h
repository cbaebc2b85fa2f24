#pragma once

#include <QString>

namespace korvath {

enum class FileAction { Open, Read, Create, Write };

// The system's reason for a failed file operation, as Qt gives it (the C library's text, which is
// English on most systems), in Russian; a reason without a Russian wording stays as it is.
QString RussianFileReason(const QString& systemReason);

// "Не удаётся создать файл "<path>": <the reason in Russian>", for the log and the window.
QString FileFailureText(FileAction action, const QString& path, const QString& systemReason);

}  // namespace korvath
