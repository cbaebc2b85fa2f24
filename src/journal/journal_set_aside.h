#pragma once

#include <QDateTime>
#include <QString>

namespace korvath {

// Moves a database file that cannot serve as the journal out of the way, together with its
// companion files (write-ahead log, shared memory index, rollback journal), so that a new journal
// can be made under its name without a stale companion being read into it. Nothing is deleted.
// The new name is "<base>-unreadable-<local time as yyyyMMddhhmmss>[-N].<suffix>" in the same
// folder; returns its file name. Throws std::runtime_error when a rename fails (the files already
// moved are moved back).
QString SetJournalFileAside(const QString& path, const QDateTime& now);

}  // namespace korvath
