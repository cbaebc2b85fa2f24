#include "platform/folders.h"

#include <QDir>
#include <QStandardPaths>

namespace korvath {

QString UserDataFolder() {
  // Both front ends keep their files in one folder whatever their application names are, so
  // the folder is named here rather than taken from the application.
  const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  return data.isEmpty() ? QString() : QDir(data).filePath(u"korvath"_qs);
}

}  // namespace korvath
