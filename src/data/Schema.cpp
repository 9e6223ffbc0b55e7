#include "Schema.h"

#include "Database.h"

namespace Schema {
namespace {

bool hasTable(const Database &db, const char *table)
{
    return !db.scalar(QStringLiteral("SELECT 1 FROM sqlite_schema WHERE type = 'table' AND "
                                     "name = ?"),
                      {QLatin1String(table)})
                .isNull();
}

bool hasIndex(const Database &db, const char *index)
{
    return !db.scalar(QStringLiteral("SELECT 1 FROM sqlite_schema WHERE type = 'index' AND "
                                     "name = ?"),
                      {QLatin1String(index)})
                .isNull();
}

bool hasKeyColumns(const Database &db)
{
    return !db.scalar(QStringLiteral("SELECT 1 FROM pragma_table_info('dorvik_data') "
                                     "WHERE name = ?"),
                      {QLatin1String(kNameKey)})
                .isNull();
}

// The keys in the file, kept in standard SQL so that every tool that writes
// a good runs them: a new row, or a name or group that changed, gets NULL
// keys, which the program fills when it next connects. A key a tool wrote
// itself is not trusted.
void createKeys(const Database &db)
{
    db.exec(QStringLiteral("CREATE INDEX dorvik_data_NameKey ON dorvik_data (NameKey)"));
    db.exec(QStringLiteral("CREATE INDEX dorvik_data_GruppaKey ON dorvik_data (GruppaKey)"));
    db.exec(QStringLiteral("CREATE TRIGGER dorvik_data_inserted AFTER INSERT ON dorvik_data "
                           "BEGIN UPDATE dorvik_data SET NameKey = NULL, GruppaKey = NULL "
                           "WHERE RowKey = NEW.RowKey; END"));
    db.exec(QStringLiteral("CREATE TRIGGER dorvik_data_renamed AFTER UPDATE OF Name ON "
                           "dorvik_data WHEN NEW.Name IS NOT OLD.Name "
                           "BEGIN UPDATE dorvik_data SET NameKey = NULL "
                           "WHERE RowKey = NEW.RowKey; END"));
    db.exec(QStringLiteral("CREATE TRIGGER dorvik_data_regrouped AFTER UPDATE OF Gruppa ON "
                           "dorvik_data WHEN NEW.Gruppa IS NOT OLD.Gruppa "
                           "BEGIN UPDATE dorvik_data SET GruppaKey = NULL "
                           "WHERE RowKey = NEW.RowKey; END"));
}

// A catalogue of the earlier version: no key columns, and indexes on Name
// and Gruppa that the program ordered by its own folding under the name
// NOCASE, which every other tool takes for corrupt. The indexes go (the keys
// take their place), and any other NOCASE index is rebuilt in SQLite's order.
void addKeys(const Database &db)
{
    db.exec(QStringLiteral("BEGIN IMMEDIATE"));
    try {
        // Another copy of the program may have been quicker.
        if (!hasKeyColumns(db)) {
            db.exec(QStringLiteral("ALTER TABLE dorvik_data ADD COLUMN NameKey TEXT"));
            db.exec(QStringLiteral("ALTER TABLE dorvik_data ADD COLUMN GruppaKey TEXT"));
            db.exec(QStringLiteral("DROP INDEX IF EXISTS dorvik_data_Name"));
            db.exec(QStringLiteral("DROP INDEX IF EXISTS dorvik_data_Gruppa"));
            createKeys(db);
            db.exec(QStringLiteral("REINDEX NOCASE"));
        }
        db.exec(QStringLiteral("COMMIT"));
    } catch (...) {
        db.exec(QStringLiteral("ROLLBACK"));
        throw;
    }
}

// This connection's own writes keep the keys: when a trigger of the file
// empties a key, this one (in the connection's temporary schema, so that
// other tools never see the function it calls) fills it at once.
void keepKeys(const Database &db)
{
    db.exec(QStringLiteral(
        "CREATE TEMP TRIGGER IF NOT EXISTS dorvik_data_keys AFTER UPDATE OF NameKey, GruppaKey "
        "ON dorvik_data WHEN NEW.NameKey IS NULL OR NEW.GruppaKey IS NULL "
        "BEGIN UPDATE dorvik_data SET "
        "NameKey = coalesce(NEW.NameKey, fold(coalesce(NEW.Name, ''))), "
        "GruppaKey = coalesce(NEW.GruppaKey, fold(coalesce(NEW.Gruppa, ''))) "
        "WHERE RowKey = NEW.RowKey; END"));
}

// Goods that other tools added or changed since the program last connected:
// found through the key indexes, so a look costs next to nothing.
void fillKeys(const Database &db)
{
    const bool stale = db.scalar(QStringLiteral("SELECT EXISTS (SELECT 1 FROM dorvik_data WHERE "
                                                "NameKey IS NULL) OR EXISTS (SELECT 1 FROM "
                                                "dorvik_data WHERE GruppaKey IS NULL)"))
                           .toBool();
    if (!stale)
        return;
    db.inTransaction([&] {
        db.exec(QStringLiteral("UPDATE dorvik_data SET NameKey = fold(coalesce(Name, '')) "
                               "WHERE NameKey IS NULL"));
        db.exec(QStringLiteral("UPDATE dorvik_data SET GruppaKey = fold(coalesce(Gruppa, '')) "
                               "WHERE GruppaKey IS NULL"));
    });
}

} // namespace

// Text columns are declared NOCASE, which any SQLite tool knows (Latin
// letters only); the program compares with FOLD or through the key columns.
// No index of the file is ordered by a collation that tools lack.
void createWorkingTables(const Database &db)
{
    db.exec(QStringLiteral("CREATE TABLE data ("
                           "Name TEXT COLLATE NOCASE, "
                           "Caption TEXT COLLATE NOCASE, "
                           "KOL REAL, "
                           "Abb TEXT COLLATE NOCASE, "
                           "Cost REAL, "
                           "Reserve TEXT COLLATE NOCASE, "
                           "M TEXT COLLATE NOCASE, "
                           "TYP TEXT COLLATE NOCASE, "
                           "COD TEXT COLLATE NOCASE, "
                           "Firma TEXT COLLATE NOCASE, "
                           "Gruppa VARCHAR(50) COLLATE NOCASE, "
                           "Comment TEXT COLLATE NOCASE, "
                           "POZ INTEGER, "
                           "NG INTEGER, "
                           "RowKey INTEGER PRIMARY KEY AUTOINCREMENT)"));
}

void createCatalogueTables(const Database &db)
{
    db.inTransaction([&] {
        db.exec(QStringLiteral("CREATE TABLE dorvik_data ("
                               "Name TEXT COLLATE NOCASE, "
                               "Caption TEXT COLLATE NOCASE, "
                               "Abb TEXT COLLATE NOCASE, "
                               "Cost REAL, "
                               "M TEXT COLLATE NOCASE, "
                               "TYP TEXT COLLATE NOCASE, "
                               "COD TEXT COLLATE NOCASE, "
                               "Firma TEXT COLLATE NOCASE, "
                               "Gruppa TEXT COLLATE NOCASE, "
                               "RowKey INTEGER PRIMARY KEY AUTOINCREMENT, "
                               "NameKey TEXT, "
                               "GruppaKey TEXT)"));
        createKeys(db);
        db.exec(QStringLiteral("CREATE TABLE dorvik_gruppa ("
                               "name_gruppa TEXT COLLATE NOCASE, "
                               "Numb INTEGER)"));
    });
    keepKeys(db);
}

void prepare(const Database &db)
{
    // The working databases of the earlier version had an index on `data`
    // in the program's order; positions are written by their row key now.
    if (hasIndex(db, "data_Name"))
        db.exec(QStringLiteral("DROP INDEX data_Name"));
    if (!hasTable(db, "dorvik_data"))
        return;
    if (!hasKeyColumns(db))
        addKeys(db);
    keepKeys(db);
    fillKeys(db);
}

} // namespace Schema
