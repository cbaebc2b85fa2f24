#include "journal/sqlite_db.h"

#include <QFile>

#include <sqlite3.h>

namespace korvath {
namespace {

QString MessageOf(sqlite3* db, int code) {
  // The connection's message is more precise than the code's, but only while it belongs to
  // this code.
  if (db != nullptr && sqlite3_errcode(db) == code) return QString::fromUtf8(sqlite3_errmsg(db));
  return QString::fromUtf8(sqlite3_errstr(code));
}

}  // namespace

SqliteError::SqliteError(int code, const QString& message)
    : std::runtime_error(message.toStdString()), code_(code) {}

Statement::Statement(sqlite3* db, const char* sql) : db_(db) {
  const int code = sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement_, nullptr);
  if (code != SQLITE_OK) throw SqliteError(code, MessageOf(db, code));
}

Statement::~Statement() { sqlite3_finalize(statement_); }

Statement& Statement::Bind(int index, const QString& text) {
  // The text is copied: a temporary QString may be gone before the statement steps.
  const int code =
      sqlite3_bind_text16(statement_, index, text.utf16(),
                          static_cast<int>(text.size() * sizeof(char16_t)), SQLITE_TRANSIENT);
  if (code != SQLITE_OK) throw SqliteError(code, MessageOf(db_, code));
  return *this;
}

Statement& Statement::Bind(int index, qint64 value) {
  const int code = sqlite3_bind_int64(statement_, index, value);
  if (code != SQLITE_OK) throw SqliteError(code, MessageOf(db_, code));
  return *this;
}

bool Statement::Step() {
  const int code = sqlite3_step(statement_);
  if (code == SQLITE_ROW) return true;
  if (code == SQLITE_DONE) return false;
  const QString message = MessageOf(db_, code);
  sqlite3_reset(statement_);
  throw SqliteError(code, message);
}

void Statement::Run() {
  while (Step()) {
  }
  Reset();
}

void Statement::Reset() {
  sqlite3_reset(statement_);
  sqlite3_clear_bindings(statement_);
}

QString Statement::Text(int column) const {
  const void* text = sqlite3_column_text16(statement_, column);
  const int bytes = sqlite3_column_bytes16(statement_, column);
  return QString::fromUtf16(static_cast<const char16_t*>(text), bytes / 2);
}

qint64 Statement::Integer(int column) const { return sqlite3_column_int64(statement_, column); }

Database::Database(const QString& path) {
  const int code = sqlite3_open_v2(QFile::encodeName(path).constData(), &db_,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  if (code != SQLITE_OK) {
    const QString message = MessageOf(db_, code);
    sqlite3_close(db_);
    throw SqliteError(code, message);
  }
  sqlite3_extended_result_codes(db_, 1);
}

Database::~Database() { sqlite3_close(db_); }

void Database::Execute(const char* sql) {
  Check(sqlite3_exec(db_, sql, nullptr, nullptr, nullptr));
}

qint64 Database::QueryInteger(const char* sql) {
  Statement statement(db_, sql);
  return statement.Step() ? statement.Integer(0) : 0;
}

QString Database::QueryText(const char* sql) {
  Statement statement(db_, sql);
  return statement.Step() ? statement.Text(0) : QString();
}

void Database::Check(int code) const {
  if (code != SQLITE_OK && code != SQLITE_ROW && code != SQLITE_DONE)
    throw SqliteError(code, MessageOf(db_, code));
}

}  // namespace korvath
