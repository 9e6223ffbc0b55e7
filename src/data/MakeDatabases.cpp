// Build step: writes the template "dorvik.dat" (an empty table `data`) and the
// catalogue "dorvik-Vent.mdb" made from the seed files into a folder.
//   make-databases GOODS.tsv GROUPS.txt FOLDER

#include "AppError.h"
#include "CatalogueSeed.h"
#include "Database.h"
#include "Schema.h"
#include "SqliteCatalogue.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdio>

namespace {

// Builds into a temporary name and renames, so that a failed build never
// leaves half a database where the program looks for one.
template <typename Fill> void writeDatabase(const QString &target, Fill fill)
{
    const QString temporary = target + QStringLiteral(".new");
    QFile::remove(temporary);
    {
        Database db(QStringLiteral("build-") + target);
        db.setFile(temporary);
        db.create();
        fill(db);
        db.close();
    }
    QFile::remove(target);
    if (!QFile::rename(temporary, target))
        throw AppError(QStringLiteral("Не удалось записать файл."), target);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 4) {
        std::fprintf(stderr, "usage: make-databases GOODS.tsv GROUPS.txt FOLDER\n");
        return 2;
    }
    const QDir folder(args[3]);
    try {
        writeDatabase(folder.filePath(QStringLiteral("dorvik.dat")),
                      [](const Database &db) { Schema::createWorkingTables(db); });
        writeDatabase(folder.filePath(QStringLiteral("dorvik-Vent.mdb")), [&](Database &db) {
            Schema::createCatalogueTables(db);
            SqliteCatalogue catalogue(db);
            CatalogueSeed::load(catalogue, args[1], args[2]);
        });
    } catch (const AppError &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
