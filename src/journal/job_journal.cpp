#include "journal/job_journal.h"

#include "journal/journal_schema.h"
#include "journal/journal_set_aside.h"
#include "journal/sqlite_db.h"

#include <QDir>
#include <QFileInfo>

#include <sqlite3.h>

#include <mutex>
#include <stdexcept>

namespace korvath {
namespace {

const QString kFileName = QStringLiteral("job.sqlite");

QString Shown(const QString& path) { return QDir::toNativeSeparators(path); }

std::runtime_error Failure(const QString& message) {
  return std::runtime_error(message.toStdString());
}

void CheckFolder(const QString& folder) {
  const QFileInfo info(folder);
  if (!info.isDir()) {
    throw Failure(QStringLiteral("Журнал задания нельзя вести в папке «%1»: такой папки нет.")
                      .arg(Shown(folder)));
  }
  if (!info.isWritable()) {
    throw Failure(QStringLiteral("Журнал задания нельзя вести в папке «%1»: в неё нельзя писать.")
                      .arg(Shown(folder)));
  }
}

QString SetAsideMessage(const QString& path, const JournalFileVerdict& verdict,
                        const QString& asideName) {
  QString what;
  switch (verdict.kind) {
    case JournalFileVerdict::kOtherVersion:
      what = QStringLiteral(
                 "записан другой версией программы (версия журнала %1, а эта программа "
                 "ведёт версию %2)")
                 .arg(verdict.version)
                 .arg(kJournalSchemaVersion);
      break;
    case JournalFileVerdict::kNotOurs:
      what = QStringLiteral("не является журналом задания этой программы");
      break;
    default:
      what = QStringLiteral("повреждён или не читается (%1)").arg(verdict.detail);
      break;
  }
  return QStringLiteral(
             "Файл журнала задания «%1» %2. Он не удалён, а переименован в «%3»; "
             "начат новый журнал.")
      .arg(Shown(path), what, asideName);
}

std::unique_ptr<Database> Connect(const QString& path, const JournalOptions& options) {
  auto db = std::make_unique<Database>(path);
  sqlite3_busy_timeout(db->Handle(), static_cast<int>(options.busyTimeout.count()));
  // A file that proves not to be a journal must be set aside exactly as it was found, so closing
  // it must not fold its write-ahead log into it.
  sqlite3_db_config(db->Handle(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
  return db;
}

QString NowText() { return QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs); }

}  // namespace

struct JobJournal::State {
  State(const QString& path, std::unique_ptr<Database> database)
      : path(path),
        db(std::move(database)),
        begin(db->Handle(), "BEGIN IMMEDIATE"),
        commit(db->Handle(), "COMMIT"),
        insertRow(db->Handle(),
                  "INSERT INTO result_row (task, keyword, region, pos, title, text, domain, "
                  "card_region, card_email, card_address, card_company, card_phone1) "
                  "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        updateTask(db->Handle(),
                   "UPDATE task SET next_address = ?, position_counter = ?, cap_counter = ?, "
                   "done = ? WHERE task = ? AND done = 0"),
        touchJob(db->Handle(), "UPDATE job SET last_write = ?") {}

  // Runs `work` in one write transaction; anything it throws rolls the transaction back.
  template <typename Work>
  void Write(Work&& work) {
    begin.Run();
    try {
      work();
      touchJob.Bind(1, NowText()).Run();
      commit.Run();
    } catch (...) {
      // A failed COMMIT may already have rolled back; a second rollback would only fail.
      if (!sqlite3_get_autocommit(db->Handle()))
        sqlite3_exec(db->Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
      throw;
    }
  }

  // Runs `read` under the lock, naming the journal in any failure.
  template <typename Read>
  auto Reading(Read&& read) {
    std::lock_guard lock(mutex);
    try {
      return read();
    } catch (const SqliteError& error) {
      throw Failure(QStringLiteral("Не удалось прочитать журнал задания «%1»: %2")
                        .arg(Shown(path), QString::fromUtf8(error.what())));
    }
  }

  QString path;
  std::mutex mutex;
  std::unique_ptr<Database> db;
  Statement begin;
  Statement commit;
  Statement insertRow;
  Statement updateTask;
  Statement touchJob;
};

std::unique_ptr<JobJournal> JobJournal::Open(const QString& folder, QString* setAside,
                                             const JournalOptions& options) {
  if (setAside != nullptr) setAside->clear();
  CheckFolder(folder);
  const QString path = QDir(folder).filePath(kFileName);
  try {
    std::unique_ptr<Database> db;
    JournalFileVerdict verdict;
    try {
      db = Connect(path, options);
      verdict = InspectJournalFile(*db);
    } catch (const SqliteError& error) {
      if (SaysNothingAboutTheFile(error.Code())) throw;
      verdict = {JournalFileVerdict::kDamaged, 0, QString::fromUtf8(error.what())};
    }
    if (verdict.kind != JournalFileVerdict::kOurs && verdict.kind != JournalFileVerdict::kEmpty) {
      db.reset();
      const QString asideName = SetJournalFileAside(path, QDateTime::currentDateTime());
      if (setAside != nullptr) *setAside = SetAsideMessage(path, verdict, asideName);
      db = Connect(path, options);
    }
    if (db->QueryText("PRAGMA journal_mode = WAL") != QLatin1String("wal")) {
      throw Failure(QStringLiteral("файловая система не позволяет вести журнал в режиме WAL"));
    }
    if (verdict.kind != JournalFileVerdict::kOurs) CreateJournalSchema(*db);
    // In WAL mode NORMAL syncs at checkpoints only: a killed process loses no committed page,
    // while a power cut may take back the last few, which are then fetched again.
    db->Execute("PRAGMA synchronous = NORMAL");
    sqlite3_db_config(db->Handle(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 0, nullptr);
    return std::unique_ptr<JobJournal>(
        new JobJournal(std::make_unique<State>(path, std::move(db))));
  } catch (const SqliteError& error) {
    if ((error.Code() & 0xff) == SQLITE_BUSY || (error.Code() & 0xff) == SQLITE_LOCKED) {
      throw Failure(QStringLiteral("Журнал задания «%1» занят другой программой: %2")
                        .arg(Shown(path), QString::fromUtf8(error.what())));
    }
    throw Failure(QStringLiteral("Не удалось открыть журнал задания «%1»: %2")
                      .arg(Shown(path), QString::fromUtf8(error.what())));
  } catch (const std::runtime_error& error) {
    throw Failure(QStringLiteral("Не удалось открыть журнал задания «%1»: %2")
                      .arg(Shown(path), QString::fromUtf8(error.what())));
  }
}

JobJournal::JobJournal(std::unique_ptr<State> state) : state_(std::move(state)) {}

JobJournal::~JobJournal() = default;

bool JobJournal::HasJob() const {
  return state_->Reading([&] { return state_->db->QueryInteger("SELECT count(*) FROM job") > 0; });
}

JournalSummary JobJournal::Summary() const {
  return state_->Reading([&] {
    Statement query(
        state_->db->Handle(),
        "SELECT (SELECT count(*) FROM task WHERE done = 1), (SELECT count(*) FROM task), "
        "(SELECT count(*) FROM result_row), last_write, finished FROM job");
    JournalSummary summary;
    if (!query.Step()) return summary;
    summary.tasksDone = static_cast<int>(query.Integer(0));
    summary.tasksTotal = static_cast<int>(query.Integer(1));
    summary.rows = query.Integer(2);
    summary.lastWrite = QDateTime::fromString(query.Text(3), Qt::ISODateWithMs);
    summary.finished = query.Integer(4) != 0;
    return summary;
  });
}

JournalInputs JobJournal::Inputs() const {
  return state_->Reading([&] {
    sqlite3* db = state_->db->Handle();
    JournalInputs inputs;
    Statement job(db, "SELECT retry_count, cap_enabled, cap_value FROM job");
    if (job.Step()) {
      inputs.retryCount = static_cast<int>(job.Integer(0));
      inputs.capEnabled = job.Integer(1) != 0;
      inputs.capValue = static_cast<int>(job.Integer(2));
    }
    Statement lines(db, "SELECT text FROM query_line ORDER BY line");
    while (lines.Step()) inputs.queryLines.append(lines.Text(0));
    Statement regions(db, "SELECT text FROM region_entry ORDER BY entry");
    while (regions.Step()) inputs.regionEntries.append(regions.Text(0));
    Statement tasks(db, "SELECT query, region_entry FROM task ORDER BY task");
    while (tasks.Step()) inputs.tasks.append({tasks.Text(0), tasks.Text(1)});
    return inputs;
  });
}

void JobJournal::StartJob(const JournalInputs& inputs, const QStringList& firstAddresses) {
  if (firstAddresses.size() != inputs.tasks.size()) {
    throw std::invalid_argument("StartJob needs one first address per task");
  }
  std::lock_guard lock(state_->mutex);
  sqlite3* db = state_->db->Handle();
  try {
    state_->Write([&] {
      state_->db->Execute(
          "DELETE FROM result_row; DELETE FROM task; DELETE FROM region_entry; "
          "DELETE FROM query_line; DELETE FROM job;");
      Statement job(db,
                    "INSERT INTO job (id, retry_count, cap_enabled, cap_value, started_at, "
                    "last_write) VALUES (1, ?, ?, ?, ?, ?)");
      const QString now = NowText();
      job.Bind(1, qint64{inputs.retryCount})
          .Bind(2, qint64{inputs.capEnabled})
          .Bind(3, qint64{inputs.capValue})
          .Bind(4, now)
          .Bind(5, now)
          .Run();
      Statement line(db, "INSERT INTO query_line (line, text) VALUES (?, ?)");
      for (qsizetype i = 0; i < inputs.queryLines.size(); ++i)
        line.Bind(1, qint64{i}).Bind(2, inputs.queryLines[i]).Run();
      Statement region(db, "INSERT INTO region_entry (entry, text) VALUES (?, ?)");
      for (qsizetype i = 0; i < inputs.regionEntries.size(); ++i)
        region.Bind(1, qint64{i}).Bind(2, inputs.regionEntries[i]).Run();
      Statement task(db,
                     "INSERT INTO task (task, query, region_entry, next_address, "
                     "position_counter, cap_counter, done) VALUES (?, ?, ?, ?, 0, 0, 0)");
      for (qsizetype i = 0; i < inputs.tasks.size(); ++i) {
        task.Bind(1, qint64{i})
            .Bind(2, inputs.tasks[i].query)
            .Bind(3, inputs.tasks[i].regionEntry)
            .Bind(4, firstAddresses[i])
            .Run();
      }
    });
  } catch (const std::runtime_error& error) {
    throw Failure(QStringLiteral("Не удалось начать новое задание в журнале «%1»: %2")
                      .arg(Shown(state_->path), QString::fromUtf8(error.what())));
  }
}

void JobJournal::CommitPage(int task, const QList<ResultRow>& rows, const TaskProgress& progress) {
  std::lock_guard lock(state_->mutex);
  try {
    state_->Write([&] {
      Statement& insert = state_->insertRow;
      for (const ResultRow& row : rows) {
        insert.Bind(1, qint64{task})
            .Bind(2, row.keyword)
            .Bind(3, row.region)
            .Bind(4, row.pos)
            .Bind(5, row.title)
            .Bind(6, row.text)
            .Bind(7, row.domain)
            .Bind(8, row.cardRegion)
            .Bind(9, row.cardEmail)
            .Bind(10, row.cardAddress)
            .Bind(11, row.cardCompany)
            .Bind(12, row.cardPhone1)
            .Run();
      }
      // Last, so that a task that is unknown or already done takes back the rows above with it.
      state_->updateTask.Bind(1, progress.nextAddress)
          .Bind(2, qint64{progress.positionCounter})
          .Bind(3, qint64{progress.capCounter})
          .Bind(4, qint64{progress.done})
          .Bind(5, qint64{task})
          .Run();
      if (sqlite3_changes(state_->db->Handle()) != 1)
        throw Failure(QStringLiteral("задачи с таким номером нет или она уже завершена"));
    });
  } catch (const std::runtime_error& error) {
    // The user counts tasks from 1.
    throw Failure(QStringLiteral("Страница задачи %1 не записана в журнал задания «%2»: %3")
                      .arg(task + 1)
                      .arg(Shown(state_->path), QString::fromUtf8(error.what())));
  }
}

QList<TaskProgress> JobJournal::Progress() const {
  return state_->Reading([&] {
    Statement query(state_->db->Handle(),
                    "SELECT next_address, position_counter, cap_counter, done FROM task "
                    "ORDER BY task");
    QList<TaskProgress> progress;
    while (query.Step()) {
      progress.append({query.Text(0), static_cast<int>(query.Integer(1)),
                       static_cast<int>(query.Integer(2)), query.Integer(3) != 0});
    }
    return progress;
  });
}

QList<ResultRow> JobJournal::Rows() const {
  QList<ResultRow> rows;
  ReadRows([&](int, ResultRow&& row) { rows.append(std::move(row)); });
  return rows;
}

void JobJournal::ReadRows(const std::function<void(int task, ResultRow&&)>& take) const {
  state_->Reading([&] {
    Statement query(state_->db->Handle(),
                    "SELECT keyword, region, pos, title, text, domain, card_region, card_email, "
                    "card_address, card_company, card_phone1, task FROM result_row "
                    "ORDER BY task, id");
    while (query.Step()) {
      take(int(query.Integer(11)), {query.Text(0), query.Text(1), query.Text(2), query.Text(3),
                                    query.Text(4), query.Text(5), query.Text(6), query.Text(7),
                                    query.Text(8), query.Text(9), query.Text(10)});
    }
  });
}

void JobJournal::MarkFinished() {
  std::lock_guard lock(state_->mutex);
  try {
    state_->Write([&] {
      state_->db->Execute("UPDATE job SET finished = 1");
      if (sqlite3_changes(state_->db->Handle()) != 1)
        throw Failure(QStringLiteral("в журнале нет задания"));
    });
  } catch (const std::runtime_error& error) {
    throw Failure(QStringLiteral("Не удалось отметить задание в журнале «%1» завершённым: %2")
                      .arg(Shown(state_->path), QString::fromUtf8(error.what())));
  }
}

}  // namespace korvath
