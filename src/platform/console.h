#pragma once

#include <QStringView>

#include <cstdio>

namespace korvath {

// Whether `stream` is a terminal (a console window on Windows) rather than a file or a pipe.
bool IsTerminal(std::FILE* stream);

// The width of the terminal `stream` shows in, in characters; 0 when it is not a terminal or
// does not say.
int TerminalColumns(std::FILE* stream);

// Writes `text` so that the terminal shows its letters: in the system's 8-bit encoding to a file
// or a pipe, and on Windows as UTF-16 to a console, whose own code page is not the system's.
void WriteTerminalText(std::FILE* stream, QStringView text);

// Makes the standard streams carry the program's bytes unchanged (Windows would write each "\n"
// as CR LF), and a reader that goes away (`| head`) make a write fail rather than end the
// program: a job's results and log file are still to be saved.
void PrepareStandardStreams();

}  // namespace korvath
