#pragma once

#include <QString>

namespace korvath {

// Opens the file at `path` in the program the system opens it with (a results file in the
// spreadsheet program): xdg-open on Linux, the shell's "open" verb on Windows. Returns whether
// the system took the request.
bool OpenWithSystem(const QString& path);

}  // namespace korvath
