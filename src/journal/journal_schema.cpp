#include "journal/journal_schema.h"

#include <QByteArray>
#include <QFileInfo>

#include <sqlite3.h>

namespace korvath {
namespace {

// "Kvjr": the database header's application id, so that another program's database, or a file
// that merely has the journal's name, is never taken for a journal.
constexpr int kApplicationId = 0x4B76'6A72;

// job: the inputs and state of the one job (a single row); query_line and region_entry: its
// query lines and ticked regions in order; task: each (query, region) in the job's order with
// where its walk stands; result_row: every recorded ad. The rowid that ends every entry of the
// index by task keeps a task's rows in commit order.
constexpr char kSchema[] = R"sql(
  CREATE TABLE job (
    id INTEGER PRIMARY KEY CHECK (id = 1),
    retry_count INTEGER NOT NULL,
    cap_enabled INTEGER NOT NULL,
    cap_value INTEGER NOT NULL,
    started_at TEXT NOT NULL,
    last_write TEXT NOT NULL,
    finished INTEGER NOT NULL DEFAULT 0
  );
  CREATE TABLE query_line (line INTEGER PRIMARY KEY, text TEXT NOT NULL);
  CREATE TABLE region_entry (entry INTEGER PRIMARY KEY, text TEXT NOT NULL);
  CREATE TABLE task (
    task INTEGER PRIMARY KEY,
    query TEXT NOT NULL,
    region_entry TEXT NOT NULL,
    next_address TEXT NOT NULL,
    position_counter INTEGER NOT NULL,
    cap_counter INTEGER NOT NULL,
    done INTEGER NOT NULL
  );
  CREATE TABLE result_row (
    id INTEGER PRIMARY KEY,
    task INTEGER NOT NULL,
    keyword TEXT NOT NULL,
    region TEXT NOT NULL,
    pos TEXT NOT NULL,
    title TEXT NOT NULL,
    text TEXT NOT NULL,
    domain TEXT NOT NULL,
    card_region TEXT NOT NULL,
    card_email TEXT NOT NULL,
    card_address TEXT NOT NULL,
    card_company TEXT NOT NULL,
    card_phone1 TEXT NOT NULL
  );
  CREATE INDEX result_row_by_task ON result_row (task);
)sql";

constexpr const char* kTables[] = {"job", "query_line", "region_entry", "task", "result_row"};

JournalFileVerdict Damaged(const QString& detail) {
  return {JournalFileVerdict::kDamaged, 0, detail};
}

JournalFileVerdict InspectSoundFile(Database& db) {
  const qint64 applicationId = db.QueryInteger("PRAGMA application_id");
  const qint64 version = db.QueryInteger("PRAGMA user_version");
  const qint64 objects = db.QueryInteger("SELECT count(*) FROM sqlite_schema");
  if (applicationId == 0 && version == 0 && objects == 0) return {JournalFileVerdict::kEmpty};
  if (applicationId != kApplicationId) return {JournalFileVerdict::kNotOurs};
  if (version != kJournalSchemaVersion) {
    return {JournalFileVerdict::kOtherVersion, static_cast<int>(version)};
  }
  // SQLite reads a cut last page as if it ended in zeros, and its checks take that for text; a
  // database file always ends on a page boundary unless pages are still due from its log.
  const QString file = QString::fromUtf8(sqlite3_db_filename(db.Handle(), "main"));
  if (QFileInfo(file).size() % db.QueryInteger("PRAGMA page_size") != 0 &&
      QFileInfo(file + QStringLiteral("-wal")).size() == 0) {
    return Damaged(QStringLiteral("файл обрезан посреди страницы"));
  }
  Statement table(db.Handle(),
                  "SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND name = ?");
  for (const char* name : kTables) {
    table.Bind(1, QString::fromLatin1(name));
    const bool present = table.Step() && table.Integer(0) == 1;
    table.Reset();
    if (!present) return Damaged(QStringLiteral("нет таблицы %1").arg(QString::fromLatin1(name)));
  }
  // Reads every page once: damage inside the rows shows now rather than halfway through a resume.
  const QString check = db.QueryText("PRAGMA quick_check(1)");
  if (check != QLatin1String("ok")) return Damaged(check);
  return {JournalFileVerdict::kOurs};
}

}  // namespace

bool SaysNothingAboutTheFile(int code) {
  switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_NOMEM:
    case SQLITE_FULL:
    case SQLITE_INTERRUPT:
      return true;
    default:
      return false;
  }
}

JournalFileVerdict InspectJournalFile(Database& db) {
  try {
    return InspectSoundFile(db);
  } catch (const SqliteError& error) {
    if (SaysNothingAboutTheFile(error.Code())) throw;
    return Damaged(QString::fromUtf8(error.what()));
  }
}

void CreateJournalSchema(Database& db) {
  db.Execute("BEGIN IMMEDIATE");
  try {
    db.Execute(kSchema);
    const QByteArray marks = "PRAGMA application_id = " + QByteArray::number(kApplicationId) +
                             "; PRAGMA user_version = " + QByteArray::number(kJournalSchemaVersion);
    db.Execute(marks.constData());
    db.Execute("COMMIT");
  } catch (...) {
    sqlite3_exec(db.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
}

}  // namespace korvath
