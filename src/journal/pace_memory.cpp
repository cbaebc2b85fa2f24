#include "journal/pace_memory.h"

#include <QDir>

#include <sqlite3.h>

#include "journal/sqlite_db.h"

namespace korvath {
namespace {

// Another job's window may be writing its own pace at the same moment.
constexpr int kBusyTimeoutMs = 5000;

}  // namespace

PaceMemory::PaceMemory(const QString& folder)
    : db_(std::make_unique<Database>(QDir(folder).filePath(QStringLiteral("pace.sqlite")))) {
  sqlite3_busy_timeout(db_->Handle(), kBusyTimeoutMs);
  db_->Execute(
      "CREATE TABLE IF NOT EXISTS pace (address TEXT PRIMARY KEY, interval_ms INTEGER NOT NULL)");
}

PaceMemory::~PaceMemory() = default;

std::optional<std::chrono::milliseconds> PaceMemory::Learned(const QString& address) {
  std::lock_guard lock(mutex_);
  Statement read(db_->Handle(), "SELECT interval_ms FROM pace WHERE address = ?");
  read.Bind(1, address);
  if (!read.Step()) return std::nullopt;
  return std::chrono::milliseconds(read.Integer(0));
}

void PaceMemory::Keep(const QString& address, std::chrono::milliseconds pace) {
  std::lock_guard lock(mutex_);
  Statement write(db_->Handle(),
                  "INSERT INTO pace (address, interval_ms) VALUES (?, ?) "
                  "ON CONFLICT (address) DO UPDATE SET interval_ms = excluded.interval_ms");
  write.Bind(1, address).Bind(2, qint64(pace.count()));
  write.Run();
}

}  // namespace korvath
