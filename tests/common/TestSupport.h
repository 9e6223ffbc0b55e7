#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

class Database;
class Session;

// What every test needs: a Russian locale, its own folders and databases, and
// settings kept away from the user's own.
namespace TestSupport {

// Sets the default locale to Russian (decimal comma).
void useRussianLocale();

// Points the per-user and machine-wide settings into folder.
void redirectSettings(const QString &folder);

// Writes a template database (empty table `data`) to path.
void makeTemplate(const QString &path);

// Writes a catalogue database to path with the given goods (nine values
// each, in the column order of `dorvik_data`) and groups in their order.
void makeCatalogue(const QString &path, const QList<QVariantList> &goods,
                   const QStringList &groups = {});

// Runs statements on the file as another SQLite tool would (the sqlite3
// shell): a connection of its own with none of the program's collations or
// functions. Returns the first column of the rows, or "error: …".
QStringList plainSqlite(const QString &path, const QString &sql);

// Gives the session a working database of its own, copied from the template
// into folder as start-up does, and opens it.
void openFreshWorkingDatabase(Session &session, const QString &folder, const QString &templatePath);

} // namespace TestSupport
