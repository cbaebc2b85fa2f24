#include "platform/console.h"

#include <QString>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace korvath {
namespace {

// The console behind `stream`, or nullptr when the stream goes to a file or a pipe.
HANDLE ConsoleOf(std::FILE* stream) {
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) ? handle : nullptr;
}

}  // namespace

bool IsTerminal(std::FILE* stream) { return ConsoleOf(stream) != nullptr; }

int TerminalColumns(std::FILE* stream) {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  const HANDLE console = ConsoleOf(stream);
  if (console == nullptr || !GetConsoleScreenBufferInfo(console, &info)) return 0;
  return info.srWindow.Right - info.srWindow.Left + 1;
}

void WriteTerminalText(std::FILE* stream, QStringView text) {
  if (const HANDLE console = ConsoleOf(stream)) {
    std::fflush(stream);
    DWORD written = 0;
    WriteConsoleW(console, text.utf16(), static_cast<DWORD>(text.size()), &written, nullptr);
    return;
  }
  const QByteArray bytes = text.toLocal8Bit();
  std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
}

// Windows has no signal for a closed pipe: the write fails, and the program goes on.
void PrepareStandardStreams() {
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

}  // namespace korvath
