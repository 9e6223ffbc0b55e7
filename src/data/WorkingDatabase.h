#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

// The working database of one running copy: a copy of the template named
// after the start-up time to the millisecond, deleted when the program is left.
namespace WorkingDatabase {

// "yyyyMMddHHmmss" followed by the milliseconds without leading zeros and
// ".mdb": 47 ms give "…47.mdb", 7 ms give "…7.mdb".
QString fileName(const QDateTime &moment);

// Makes the working database in the first folder of folders that takes it:
// reserves the file named by moment (a millisecond later while the name is
// taken by another copy) and copies the template into it. Returns its path.
// Throws AppError naming the template when it cannot be used, or the last
// folder when no folder could take the file.
QString create(const QStringList &folders, const QDateTime &moment, const QString &templatePath);

// Deletes the working database; a failure is left alone (the file stays).
void remove(const QString &path);

} // namespace WorkingDatabase
