#pragma once

#include <QString>

#include <stdexcept>

struct sqlite3;
struct sqlite3_stmt;

namespace korvath {

// SQLite's failure, with its result code kept so that callers can tell a busy journal from a
// broken one. what() is the UTF-8 message.
class SqliteError : public std::runtime_error {
 public:
  SqliteError(int code, const QString& message);
  int Code() const { return code_; }

 private:
  int code_;
};

// One prepared statement: bind, step, read, reset. Kept prepared between uses.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& Bind(int index, const QString& text);
  Statement& Bind(int index, qint64 value);
  // Steps once; true while a row is available.
  bool Step();
  // Steps through a statement that gives no rows, then makes it ready for the next use.
  void Run();
  void Reset();
  QString Text(int column) const;
  qint64 Integer(int column) const;

 private:
  sqlite3* db_;
  sqlite3_stmt* statement_ = nullptr;
};

// An open database connection, closed on destruction.
class Database {
 public:
  // Opens (or creates) the file for reading and writing.
  explicit Database(const QString& path);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  sqlite3* Handle() const { return db_; }
  // Runs statements that give no rows.
  void Execute(const char* sql);
  // The first column of the first row of a query.
  qint64 QueryInteger(const char* sql);
  QString QueryText(const char* sql);
  // Throws SqliteError for a result code other than SQLITE_OK, SQLITE_ROW or SQLITE_DONE.
  void Check(int code) const;

 private:
  sqlite3* db_ = nullptr;
};

}  // namespace korvath
