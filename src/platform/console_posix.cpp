#include "platform/console.h"

#include <QString>

#include <csignal>

#include <sys/ioctl.h>
#include <unistd.h>

namespace korvath {

bool IsTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) != 0; }

int TerminalColumns(std::FILE* stream) {
  winsize size{};
  if (::ioctl(::fileno(stream), TIOCGWINSZ, &size) != 0) return 0;
  return size.ws_col;
}

void WriteTerminalText(std::FILE* stream, QStringView text) {
  const QByteArray bytes = text.toLocal8Bit();
  std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
}

void PrepareStandardStreams() { std::signal(SIGPIPE, SIG_IGN); }

}  // namespace korvath
