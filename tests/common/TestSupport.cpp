#include "TestSupport.h"

#include "Database.h"
#include "Schema.h"
#include "Session.h"
#include "WorkingDatabase.h"

#include <QLocale>
#include <QSettings>
#include <QUuid>

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

void openFreshWorkingDatabase(Session &session, const QString &folder, const QString &templatePath)
{
    session.setWorkingDatabasePath(
        WorkingDatabase::create({folder}, QDateTime::currentDateTime(), templatePath));
    session.working().open();
}

} // namespace TestSupport
