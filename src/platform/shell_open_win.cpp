#include "platform/shell_open.h"

#include <QDir>

#include <windows.h>

namespace korvath {

bool OpenWithSystem(const QString& path) {
  const std::wstring file = QDir::toNativeSeparators(path).toStdWString();
  const auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, L"open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  // ShellExecute reports success as a value above 32.
  return result > 32;
}

}  // namespace korvath
