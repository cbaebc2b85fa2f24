#include "sample_job.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <functional>

namespace korvath {
namespace {

using journal_test::OpenTestJournal;

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  ASSERT_EQ(file.write(bytes), bytes.size());
}

void Execute(sqlite3* db, const char* sql) {
  ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
}

// The bytes of a sound journal in which a sample job has committed every page.
QByteArray SoundJournalBytes() {
  static const QByteArray bytes = [] {
    QTemporaryDir folder;
    QString setAside;
    {
      auto journal = OpenTestJournal(folder.path(), &setAside);
      journal->StartJob(journal_test::SampleJobInputs(), journal_test::SampleFirstAddresses());
      journal_test::CommitSamplePages(*journal, 0, [](int) {});
    }
    return ReadAll(QDir(folder.path()).filePath(u"job.sqlite"_qs));
  }();
  return bytes;
}

// Another program's database, left by it with its write-ahead log not yet folded in.
void WriteForeignDatabase(const QString& path, bool keepLog) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
  if (keepLog) {
    Execute(db, "PRAGMA journal_mode = WAL");
    sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
  }
  Execute(db,
          "CREATE TABLE contacts (name TEXT); WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL "
          "SELECT i + 1 FROM n WHERE i < 100) INSERT INTO contacts SELECT 'имя ' || i FROM n");
  sqlite3_close(db);
}

qint64 ContactsIn(const QString& path) {
  sqlite3* db = nullptr;
  qint64 count = -1;
  if (sqlite3_open(QFile::encodeName(path).constData(), &db) == SQLITE_OK) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT count(*) FROM contacts", -1, &statement, nullptr) ==
            SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW)
      count = sqlite3_column_int64(statement, 0);
    sqlite3_finalize(statement);
  }
  sqlite3_close(db);
  return count;
}

struct UnusableFile {
  const char* name;
  std::function<void(const QString& path)> make;
  QString reason;  // what the message says about the file
};

void PrintTo(const UnusableFile& file, std::ostream* out) { *out << file.name; }

const QString kDamaged = u"повреждён или не читается"_qs;
const QString kNotOurs = u"не является журналом задания"_qs;

const UnusableFile kUnusableFiles[] = {
    {"random bytes",
     [](const QString& path) {
       QByteArray bytes(10000, '\0');
       QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
       WriteAll(path, bytes);
     },
     kDamaged},
    {"a text file", [](const QString& path) { WriteAll(path, "это не база данных\n"); }, kDamaged},
    {"cut inside the header",
     [](const QString& path) { WriteAll(path, SoundJournalBytes().left(60)); }, kDamaged},
    {"cut after the first page",
     [](const QString& path) { WriteAll(path, SoundJournalBytes().left(4096)); }, kDamaged},
    {"copied half way, at a page boundary",
     [](const QString& path) {
       const QByteArray bytes = SoundJournalBytes();
       WriteAll(path, bytes.left(bytes.size() / 2 / 4096 * 4096));
     },
     kDamaged},
    {"copied half way, inside a page",
     [](const QString& path) {
       const QByteArray bytes = SoundJournalBytes();
       WriteAll(path, bytes.left(bytes.size() / 2 + 123));
     },
     kDamaged},
    {"one byte short", [](const QString& path) { WriteAll(path, SoundJournalBytes().chopped(1)); },
     kDamaged},
    {"a page overwritten",
     [](const QString& path) {
       QByteArray bytes = SoundJournalBytes();
       const qsizetype page = bytes.size() / 4096 / 2;
       bytes.replace(page * 4096, 4096, QByteArray(4096, 'Z'));
       WriteAll(path, bytes);
     },
     kDamaged},
    {"another program's database", [](const QString& path) { WriteForeignDatabase(path, false); },
     kNotOurs},
    {"another program's database with its write-ahead log",
     [](const QString& path) { WriteForeignDatabase(path, true); }, kNotOurs},
    {"a journal of a newer version",
     [](const QString& path) {
       WriteAll(path, SoundJournalBytes());
       sqlite3* db = nullptr;
       ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
       Execute(db, "PRAGMA user_version = 2");
       sqlite3_close(db);
     },
     u"записан другой версией программы (версия журнала 2"_qs},
};

class UnusableJournalFile : public ::testing::TestWithParam<UnusableFile> {};

// The file and its companions move aside byte for byte, the message says why and where, and the
// folder then holds a fresh journal that works.
TEST_P(UnusableJournalFile, IsSetAsideWholeAndAFreshJournalTakesItsPlace) {
  QTemporaryDir folder;
  const QDir dir(folder.path());
  const QString path = dir.filePath(u"job.sqlite"_qs);
  GetParam().make(path);
  const QByteArray original = ReadAll(path);
  const QByteArray originalLog = ReadAll(path + u"-wal"_qs);

  QString setAside;
  auto journal = OpenTestJournal(folder.path(), &setAside);

  const QStringList aside = dir.entryList({u"job-unreadable-*.sqlite"_qs}, QDir::Files);
  ASSERT_EQ(aside.size(), 1) << dir.entryList().join(u' ').toStdString();
  EXPECT_NE(setAside.indexOf(GetParam().reason), -1) << setAside.toStdString();
  EXPECT_NE(setAside.indexOf(aside[0]), -1) << setAside.toStdString();
  EXPECT_NE(setAside.indexOf(QDir::toNativeSeparators(path)), -1) << setAside.toStdString();
  EXPECT_EQ(ReadAll(dir.filePath(aside[0])), original);
  EXPECT_EQ(ReadAll(dir.filePath(aside[0] + u"-wal"_qs)), originalLog);
  if (GetParam().reason == kNotOurs) {
    EXPECT_EQ(ContactsIn(dir.filePath(aside[0])), 100);
  }

  EXPECT_FALSE(journal->HasJob());
  journal->StartJob(journal_test::SampleJobInputs(), journal_test::SampleFirstAddresses());
  journal_test::CommitSamplePages(*journal, 0, [](int) {});
  journal.reset();
  journal = OpenTestJournal(folder.path(), &setAside);
  EXPECT_EQ(setAside, QString());
  EXPECT_EQ(journal->Rows(), journal_test::SampleRowsAfter(journal_test::SamplePageCount()));
}

INSTANTIATE_TEST_SUITE_P(Files, UnusableJournalFile, ::testing::ValuesIn(kUnusableFiles),
                         [](const auto& info) {
                           QString name = QString::fromLatin1(info.param.name);
                           name.replace(QRegularExpression(u"[^A-Za-z]+"_qs), u"_"_qs);
                           return name.toStdString();
                         });

TEST(JournalFile, EmptyFileBecomesTheJournalWithoutAMessage) {
  QTemporaryDir folder;
  WriteAll(QDir(folder.path()).filePath(u"job.sqlite"_qs), {});
  QString setAside;
  auto journal = OpenTestJournal(folder.path(), &setAside);
  EXPECT_EQ(setAside, QString());
  EXPECT_EQ(QDir(folder.path()).entryList({u"job-unreadable-*"_qs}), QStringList());
  journal->StartJob(journal_test::SampleJobInputs(), journal_test::SampleFirstAddresses());
  EXPECT_TRUE(journal->HasJob());
}

TEST(JournalFile, FilesSetAsideInTheSameSecondKeepApartNames) {
  QTemporaryDir folder;
  const QDir dir(folder.path());
  for (int round = 0; round < 3; ++round) {
    WriteAll(dir.filePath(u"job.sqlite"_qs), "не база данных " + QByteArray::number(round));
    QString setAside;
    OpenTestJournal(folder.path(), &setAside);
    EXPECT_NE(setAside, QString());
  }
  EXPECT_EQ(dir.entryList({u"job-unreadable-*.sqlite"_qs}).size(), 3);
}

// A journal that another program holds locked is in use, not broken: it stays where it is.
TEST(JournalFile, JournalLockedByAnotherProgramIsLeftInPlaceAndRefused) {
  QTemporaryDir folder;
  const QString path = QDir(folder.path()).filePath(u"job.sqlite"_qs);
  QString setAside;
  OpenTestJournal(folder.path(), &setAside)
      ->StartJob(journal_test::SampleJobInputs(), journal_test::SampleFirstAddresses());
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &other), SQLITE_OK);
  Execute(other, "PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE");

  try {
    OpenTestJournal(folder.path(), &setAside);
    ADD_FAILURE() << "opened a locked journal";
  } catch (const std::runtime_error& error) {
    EXPECT_NE(QString::fromUtf8(error.what()).indexOf(u"занят"_qs), -1) << error.what();
  }
  EXPECT_EQ(setAside, QString());
  EXPECT_EQ(QDir(folder.path()).entryList({u"job-unreadable-*"_qs}), QStringList());
  sqlite3_close(other);
  EXPECT_TRUE(OpenTestJournal(folder.path(), &setAside)->HasJob());
}

}  // namespace
}  // namespace korvath
