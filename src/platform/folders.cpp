#include "platform/folders.h"

#include <QDir>
#include <QTemporaryFile>

namespace korvath {

bool FolderTakesNewFiles(const QString& folder) {
  QTemporaryFile probe(QDir(folder).filePath(u"korvath-probe-XXXXXX"_qs));
  return probe.open();
}

}  // namespace korvath
