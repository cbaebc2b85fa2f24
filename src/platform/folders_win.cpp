#include "platform/folders.h"

#include <QDir>

#include <shlobj.h>
#include <windows.h>

namespace korvath {

QString UserDataFolder() {
  PWSTR path = nullptr;
  QString folder;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &path)))
    folder = QDir(QString::fromWCharArray(path)).filePath(u"Korvath"_qs);
  CoTaskMemFree(path);
  return QDir::toNativeSeparators(folder);
}

}  // namespace korvath
