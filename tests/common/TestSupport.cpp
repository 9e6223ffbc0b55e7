#include "TestSupport.h"

#include "Database.h"
#include "Schema.h"
#include "Session.h"
#include "WorkingDatabase.h"

#include <QLocale>
#include <QSettings>
#include <QUuid>
#include <sqlite3.h>

namespace TestSupport {

void useRussianLocale()
{
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
}

void redirectSettings(const QString &folder)
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder + "/user");
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, folder + "/system");
}

static QString uniqueName()
{
    return QStringLiteral("test-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

void makeTemplate(const QString &path)
{
    Database db(uniqueName());
    db.setFile(path);
    db.create();
    Schema::createWorkingTables(db);
}

void makeCatalogue(const QString &path, const QList<QVariantList> &goods, const QStringList &groups)
{
    Database db(uniqueName());
    db.setFile(path);
    db.create();
    Schema::createCatalogueTables(db);
    db.inTransaction([&] {
        for (const QVariantList &good : goods)
            db.exec(QStringLiteral("INSERT INTO dorvik_data (%1) VALUES (?,?,?,?,?,?,?,?,?)")
                        .arg(Schema::kGoodsColumns.join(u',')),
                    good);
        for (int place = 0; place < groups.size(); ++place)
            db.exec(QStringLiteral("INSERT INTO dorvik_gruppa (name_gruppa, Numb) VALUES (?, ?)"),
                    {groups[place], place});
    });
}

QStringList plainSqlite(const QString &path, const QString &sql)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK) {
        const QString message = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_close(db);
        return {QStringLiteral("error: ") + message};
    }
    QStringList rows;
    char *error = nullptr;
    const auto collect = [](void *out, int columns, char **values, char **) {
        if (columns > 0)
            static_cast<QStringList *>(out)->append(QString::fromUtf8(values[0]));
        return 0;
    };
    if (sqlite3_exec(db, sql.toUtf8().constData(), collect, &rows, &error) != SQLITE_OK) {
        rows = {QStringLiteral("error: ") + QString::fromUtf8(error)};
        sqlite3_free(error);
    }
    sqlite3_close(db);
    return rows;
}

void openFreshWorkingDatabase(Session &session, const QString &folder, const QString &templatePath)
{
    session.setWorkingDatabasePath(
        WorkingDatabase::create({folder}, QDateTime::currentDateTime(), templatePath));
    session.working().open();
}

} // namespace TestSupport
