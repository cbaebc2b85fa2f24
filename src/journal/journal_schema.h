#pragma once

#include "journal/sqlite_db.h"

#include <QString>

namespace korvath {

// What a file found where the journal belongs turned out to be.
struct JournalFileVerdict {
  enum Kind {
    kEmpty,         // a new or empty database: the journal's tables can be made in it
    kOurs,          // a sound journal of this version
    kOtherVersion,  // a journal that another version of the program wrote
    kNotOurs,       // a database of something else
    kDamaged,       // not readable as a database, or its structure is broken
  };
  JournalFileVerdict(Kind kind = kEmpty, int version = 0, const QString& detail = {})
      : kind(kind), version(version), detail(detail) {}

  Kind kind;
  int version;     // the schema version found, for kOtherVersion
  QString detail;  // what was wrong, for kDamaged
};

// Reads the file's marks and checks its structure without writing to it. A database error that
// says nothing about the file (busy, out of memory) is thrown as SqliteError.
JournalFileVerdict InspectJournalFile(Database& db);

// Makes the journal's tables and marks in an empty database.
void CreateJournalSchema(Database& db);

// Whether a failure with this result code tells nothing about the file's contents: the file is
// busy, or memory or disk space ran out.
bool SaysNothingAboutTheFile(int code);

// The schema version this program writes and reads.
inline constexpr int kJournalSchemaVersion = 1;

}  // namespace korvath
