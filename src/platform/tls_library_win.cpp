#include "platform/tls_library.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace korvath {

bool TlsLibraryAvailable() {
  const QString beside =
      QDir(QCoreApplication::applicationDirPath()).filePath(u"libcrypto-3-x64.dll"_qs);
  return QFileInfo(beside).isFile() && TlsLibraryAnswers();
}

}  // namespace korvath
