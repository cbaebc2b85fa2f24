#include "journal/journal_set_aside.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <stdexcept>
#include <utility>
#include <vector>

namespace korvath {
namespace {

constexpr const char* kCompanionSuffixes[] = {"-wal", "-shm", "-journal"};

QString FreeAsideName(const QFileInfo& original, const QDateTime& now) {
  const QDir folder = original.absoluteDir();
  const QString stem = original.completeBaseName() + QStringLiteral("-unreadable-") +
                       now.toString(QStringLiteral("yyyyMMddhhmmss"));
  const QString suffix = original.suffix().isEmpty() ? QString() : u'.' + original.suffix();
  for (int attempt = 1;; ++attempt) {
    const QString name =
        attempt == 1 ? stem + suffix : stem + u'-' + QString::number(attempt) + suffix;
    bool taken = QFileInfo::exists(folder.filePath(name));
    for (const char* companion : kCompanionSuffixes)
      taken = taken || QFileInfo::exists(folder.filePath(name + QLatin1String(companion)));
    if (!taken) return name;
  }
}

}  // namespace

QString SetJournalFileAside(const QString& path, const QDateTime& now) {
  const QFileInfo original(path);
  const QString asideName = FreeAsideName(original, now);
  const QString aside = original.absoluteDir().filePath(asideName);

  // The companions go first: a write-ahead log left behind would be read into the new journal.
  std::vector<std::pair<QString, QString>> moves;
  for (const char* companion : kCompanionSuffixes) {
    const QString from = path + QLatin1String(companion);
    if (QFileInfo::exists(from)) moves.emplace_back(from, aside + QLatin1String(companion));
  }
  moves.emplace_back(path, aside);

  std::vector<std::pair<QString, QString>> done;
  for (const auto& [from, to] : moves) {
    if (!QFile::rename(from, to)) {
      for (auto undo = done.rbegin(); undo != done.rend(); ++undo)
        QFile::rename(undo->second, undo->first);
      throw std::runtime_error(
          QStringLiteral("Не удалось переименовать «%1» в «%2», поэтому непригодный "
                         "журнал задания остался на месте.")
              .arg(QDir::toNativeSeparators(from), QDir::toNativeSeparators(to))
              .toStdString());
    }
    done.emplace_back(from, to);
  }
  return asideName;
}

}  // namespace korvath
