#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

// The working database of one running copy: a copy of the template named
// after the start-up time to the millisecond, deleted when the program is left.
// While it lives, a lock file beside it (".~lock.<name>#") names the process
// that owns it, so that the database of a copy that crashed can be told from
// that of a copy still running.
namespace WorkingDatabase {

// "yyyyMMddHHmmss" followed by the milliseconds without leading zeros and
// ".mdb": 47 ms give "…47.mdb", 7 ms give "…7.mdb".
QString fileName(const QDateTime &moment);

// Checks that templatePath is a database whose table `data` has the columns
// the program works with; throws AppError naming the template otherwise.
void checkTemplate(const QString &templatePath);

// Makes the working database in the first folder of folders that takes it:
// reserves the file named by moment (a millisecond later while the name is
// taken by another copy) and copies the template into it. Returns its path.
// Throws AppError naming the template when it cannot be used, or every
// folder with its reason when none could take the file.
QString create(const QStringList &folders, const QDateTime &moment, const QString &templatePath);

// Deletes the working database and its lock; a failure to delete is left
// alone (the file stays).
void remove(const QString &path);

// Takes over the working databases in folders whose copies are gone from this
// host (they crashed or were killed); those of running copies stay. The
// specification file such a copy had open gets its permissions back. This
// copy holds each database returned until it removes it (remove()) or lets
// go of it for a later start (letGo()).
QStringList takeAbandoned(const QStringList &folders);

// Lets go of a database taken over by takeAbandoned() without deleting it:
// it and its lock file stay as the copy that crashed left them, for a later
// start to find.
void letGo(const QString &path);

// Deletes the working databases in folders whose copies are gone from this
// host, unsaved work and all. Returns how many were deleted.
int removeAbandoned(const QStringList &folders);

// Notes beside the working database at path which specification file this
// copy has locked (empty: none), so that a later start can let go of it
// should this copy crash.
void recordOpenFile(const QString &path, const QString &specificationFile);

} // namespace WorkingDatabase
