#include "platform/tls_library.h"

#include <QDir>
#include <QFileInfo>

#include <windows.h>

namespace korvath {

bool TlsLibraryAvailable() {
  // The executable's own folder from the system, so that the check needs no Qt application.
  wchar_t path[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length == MAX_PATH) return false;
  const QString folder = QFileInfo(QString::fromWCharArray(path, length)).absolutePath();
  return QFileInfo(QDir(folder).filePath(u"libcrypto-3-x64.dll"_qs)).isFile() &&
         TlsLibraryAnswers();
}

}  // namespace korvath
