#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace korvath {

// The folder that stands for the program folder of a fuzz target: one per process, removed when
// it ends, so that the readers of the program's files can be fed through the file system. It
// lies in memory where the system offers it: saving a file flushes it to disk, which on a disk
// would slow every run down to a few dozen a second.
inline const QString& ScratchFolder() {
  static QTemporaryDir folder(QDir(u"/dev/shm"_qs).exists()
                                  ? u"/dev/shm/korvath-fuzz-XXXXXX"_qs
                                  : QDir::tempPath() + u"/korvath-fuzz-XXXXXX"_qs);
  if (!folder.isValid()) std::abort();
  static const QString path = folder.path();
  return path;
}

// Replaces the file `name` of the scratch folder with `size` bytes from `data`.
inline void PutScratchFile(const QString& name, const uint8_t* data, size_t size) {
  QFile file(QDir(ScratchFolder()).filePath(name));
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
      file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size)) {
    std::abort();
  }
}

}  // namespace korvath
