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

bool hasColumn(const Database &db, const char *column)
{
    return !db.scalar(QStringLiteral("SELECT 1 FROM pragma_table_info('dorvik_data') "
                                     "WHERE name = ?"),
                      {QLatin1String(column)})
                .isNull();
}

const QString kStale = QStringLiteral("NameKey IS NULL OR GruppaKey IS NULL OR CaptionKey IS NULL");

// The keys in the file, kept in standard SQL so that every tool that writes
// a good runs them: a new row, or a name, group or description that changed,
// gets NULL keys, which the program fills when it next connects; the partial
// index finds them at once. A key a tool wrote itself is not trusted. The
// description's key leads with the row key, so that the picker reads the
// keys of all goods in their order from a narrow index, not from the table.
void createKeys(const Database &db)
{
    db.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS dorvik_data_NameKey "
                           "ON dorvik_data (NameKey)"));
    db.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS dorvik_data_GruppaKey "
                           "ON dorvik_data (GruppaKey)"));
    db.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS dorvik_data_CaptionKey "
                           "ON dorvik_data (RowKey, CaptionKey)"));
    db.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS dorvik_data_stale ON dorvik_data (RowKey) "
                           "WHERE ") +
            kStale);
    db.exec(QStringLiteral("CREATE TRIGGER IF NOT EXISTS dorvik_data_inserted AFTER INSERT ON "
                           "dorvik_data BEGIN UPDATE dorvik_data SET NameKey = NULL, "
                           "GruppaKey = NULL, CaptionKey = NULL WHERE RowKey = NEW.RowKey; END"));
    const auto emptyOnChange = [&](const char *column, const char *key, const char *trigger) {
        db.exec(QStringLiteral("CREATE TRIGGER IF NOT EXISTS %3 AFTER UPDATE OF %1 ON "
                               "dorvik_data WHEN NEW.%1 IS NOT OLD.%1 BEGIN UPDATE dorvik_data "
                               "SET %2 = NULL WHERE RowKey = NEW.RowKey; END")
                    .arg(QLatin1String(column), QLatin1String(key), QLatin1String(trigger)));
    };
    emptyOnChange("Name", kNameKey, "dorvik_data_renamed");
    emptyOnChange("Gruppa", kGroupKey, "dorvik_data_regrouped");
    emptyOnChange("Caption", kCaptionKey, "dorvik_data_redescribed");
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
        if (!hasColumn(db, kCaptionKey)) {
            for (const char *key : {kNameKey, kGroupKey, kCaptionKey})
                if (!hasColumn(db, key))
                    db.exec(QStringLiteral("ALTER TABLE dorvik_data ADD COLUMN %1 TEXT")
                                .arg(QLatin1String(key)));
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
        "CREATE TEMP TRIGGER IF NOT EXISTS dorvik_data_keys AFTER UPDATE OF "
        "NameKey, GruppaKey, CaptionKey ON dorvik_data WHEN NEW.NameKey IS "
        "NULL OR NEW.GruppaKey IS NULL OR NEW.CaptionKey IS NULL "
        "BEGIN UPDATE dorvik_data SET "
        "NameKey = coalesce(NEW.NameKey, fold(coalesce(NEW.Name, ''))), "
        "GruppaKey = coalesce(NEW.GruppaKey, fold(coalesce(NEW.Gruppa, ''))), "
        "CaptionKey = coalesce(NEW.CaptionKey, searchkey(coalesce(NEW.Caption, ''))) "
        "WHERE RowKey = NEW.RowKey; END"));
}

// Goods that other tools added or changed since the program last connected,
// found through the partial index, so that a look costs next to nothing.
void fillKeys(const Database &db)
{
    if (!db.scalar(QStringLiteral("SELECT EXISTS (SELECT 1 FROM dorvik_data WHERE ") + kStale +
                   QStringLiteral(")"))
             .toBool())
        return;
    db.exec(QStringLiteral("UPDATE dorvik_data SET "
                           "NameKey = coalesce(NameKey, fold(coalesce(Name, ''))), "
                           "GruppaKey = coalesce(GruppaKey, fold(coalesce(Gruppa, ''))), "
                           "CaptionKey = coalesce(CaptionKey, searchkey(coalesce(Caption, ''))) "
                           "WHERE ") +
            kStale);
}

// What the open specification is besides its positions (header, file
// name, the modified mark), kept as it changes for the start after a crash.
void createDocumentTable(const Database &db)
{
    db.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS document ("
                           "Field TEXT PRIMARY KEY, Value TEXT)"));
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
    createDocumentTable(db);
}

void createCatalogueTables(const Database &db)
{
    // Larger pages than SQLite's 4 KiB: the picker's search reads the keys of
    // every good in turn, and each page costs it a step of its own.
    db.exec(QStringLiteral("PRAGMA page_size = 16384"));
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
                               "GruppaKey TEXT, "
                               "CaptionKey TEXT)"));
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
    if (hasTable(db, "data") && !hasTable(db, "document"))
        createDocumentTable(db);
    if (!hasTable(db, "dorvik_data"))
        return;
    if (!hasColumn(db, kCaptionKey))
        addKeys(db);
    keepKeys(db);
    fillKeys(db);
}

} // namespace Schema
