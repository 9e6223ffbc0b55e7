#include "Schema.h"

#include "Database.h"
#include "Statement.h"
#include "TextFolding.h"

#include <limits>
#include <vector>

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

const QString kStale = QStringLiteral("(NameKey IS NULL OR GruppaKey IS NULL OR CaptionKey IS NULL "
                                      "OR TypKey IS NULL OR FirmaKey IS NULL)");

// The key columns and the column each is computed from.
const char *const kKeyedColumns[][2] = {{"Name", kNameKey},
                                        {"Gruppa", kGroupKey},
                                        {"Caption", kCaptionKey},
                                        {"TYP", kTypeKey},
                                        {"Firma", kMakerKey}};

// The indexes of the keys. The search keys lead with the row key, so that a
// search reads the keys of all goods in their order from a narrow index, not
// from the table, each key alone so that its entries stay short. The partial
// index finds the goods whose keys are missing.
void createKeyIndexes(const Database &db)
{
    db.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS dorvik_data_NameKey "
                           "ON dorvik_data (NameKey)"));
    db.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS dorvik_data_GruppaKey "
                           "ON dorvik_data (GruppaKey)"));
    for (const char *key : {kCaptionKey, kTypeKey, kMakerKey})
        db.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS dorvik_data_%1 ON dorvik_data "
                               "(RowKey, %1)")
                    .arg(QLatin1String(key)));
    db.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS dorvik_data_unkeyed ON dorvik_data "
                           "(RowKey) WHERE ") +
            kStale);
}

void dropKeyIndexes(const Database &db)
{
    for (const char *index :
         {"NameKey", "GruppaKey", "CaptionKey", "TypKey", "FirmaKey", "unkeyed"})
        db.exec(QStringLiteral("DROP INDEX IF EXISTS dorvik_data_%1").arg(QLatin1String(index)));
}

// The keys in the file, kept in standard SQL so that every tool that writes
// a good runs them: a tool that changes a column and leaves its key as it
// was empties the key, which the program fills when it next connects. A row
// a tool adds has no keys at all. The program's own writes give each key
// with its column; where the key stays the same (a change of letter case
// only) the trigger empties it all the same, and the write fills it again.
void createKeys(const Database &db)
{
    createKeyIndexes(db);
    for (const auto &[column, key] : kKeyedColumns)
        db.exec(QStringLiteral("CREATE TRIGGER IF NOT EXISTS dorvik_data_%1_changed AFTER UPDATE "
                               "OF %1 ON dorvik_data WHEN NEW.%1 IS NOT OLD.%1 AND NEW.%2 IS "
                               "OLD.%2 BEGIN UPDATE dorvik_data SET %2 = NULL WHERE RowKey = "
                               "NEW.RowKey; END")
                    .arg(QLatin1String(column), QLatin1String(key)));
}

// A catalogue of an earlier version. The first had no key columns, and
// indexes on Name and Gruppa that the program ordered by its own folding
// under the name NOCASE, which every other tool takes for corrupt: they go
// (the keys take their place), and any other NOCASE index is rebuilt in
// SQLite's order. The next had no keys of type and maker, and triggers that
// emptied the keys of every row added, which the program then filled with a
// function of its own.
void upgradeCatalogue(const Database &db)
{
    db.exec(QStringLiteral("BEGIN IMMEDIATE"));
    try {
        // Another copy of the program may have been quicker.
        if (!hasColumn(db, kMakerKey)) {
            if (!hasColumn(db, kCaptionKey)) {
                db.exec(QStringLiteral("DROP INDEX IF EXISTS dorvik_data_Name"));
                db.exec(QStringLiteral("DROP INDEX IF EXISTS dorvik_data_Gruppa"));
                db.exec(QStringLiteral("REINDEX NOCASE"));
            }
            for (const auto &[column, key] : kKeyedColumns)
                if (!hasColumn(db, key))
                    db.exec(QStringLiteral("ALTER TABLE dorvik_data ADD COLUMN %1 TEXT")
                                .arg(QLatin1String(key)));
            for (const char *trigger : {"inserted", "renamed", "regrouped", "redescribed"})
                db.exec(QStringLiteral("DROP TRIGGER IF EXISTS dorvik_data_%1")
                            .arg(QLatin1String(trigger)));
            db.exec(QStringLiteral("DROP INDEX IF EXISTS dorvik_data_stale"));
            createKeys(db);
        }
        db.exec(QStringLiteral("COMMIT"));
    } catch (...) {
        db.exec(QStringLiteral("ROLLBACK"));
        throw;
    }
}

QString textOrEmpty(const Statement &select, int column)
{
    const QString text = select.text(column);
    return text.isNull() ? QStringLiteral("") : text;
}

// Past this many goods without keys, the key indexes are made anew after the
// keys are written rather than kept up to date row by row: sorting once is
// far cheaper than a million insertions in random places.
constexpr int kRebuildIndexesFrom = 50'000;
constexpr int kFillBatch = 4096;

int fillKeysNow(const Database &db)
{
    const int stale =
        db.scalar(QStringLiteral("SELECT COUNT(*) FROM dorvik_data WHERE ") + kStale).toInt();
    if (stale == 0)
        return 0;
    const bool rebuild = stale >= kRebuildIndexesFrom;
    // The pass reads every page of the goods once: through the engine's
    // cache, not a memory map, each page read would stay in the process's
    // memory for as long as the map holds it.
    const QVariant mapped = db.scalar(QStringLiteral("PRAGMA mmap_size"));
    db.exec(QStringLiteral("PRAGMA mmap_size = 0"));
    if (rebuild)
        dropKeyIndexes(db);
    {
        Statement select(db, QStringLiteral("SELECT RowKey, Name, Gruppa, Caption, TYP, Firma "
                                            "FROM dorvik_data WHERE RowKey > ? AND ") +
                                 kStale + QStringLiteral(" ORDER BY RowKey LIMIT ?"));
        Statement update(db, QStringLiteral("UPDATE dorvik_data SET NameKey = ?, GruppaKey = ?, "
                                            "CaptionKey = ?, TypKey = ?, FirmaKey = ? "
                                            "WHERE RowKey = ?"));
        struct Row {
            qint64 key;
            GoodKeys keys;
        };
        std::vector<Row> batch;
        batch.reserve(kFillBatch);
        qint64 after = std::numeric_limits<qint64>::min();
        do {
            batch.clear();
            select.bind(0, after);
            select.bind(1, qint64(kFillBatch));
            while (select.next())
                batch.push_back(
                    {select.integer(0),
                     keysOf(textOrEmpty(select, 1), textOrEmpty(select, 2), textOrEmpty(select, 3),
                            textOrEmpty(select, 4), textOrEmpty(select, 5))});
            select.reset();
            for (const Row &row : batch) {
                update.bind(0, row.keys.name);
                update.bind(1, row.keys.group);
                update.bind(2, row.keys.caption);
                update.bind(3, row.keys.type);
                update.bind(4, row.keys.maker);
                update.bind(5, row.key);
                update.run();
            }
            if (!batch.empty())
                after = batch.back().key;
        } while (batch.size() == size_t(kFillBatch));
    }
    if (rebuild) {
        // The sort of a new index spills into a temporary file rather than
        // into memory, which a million goods would fill.
        db.exec(QStringLiteral("PRAGMA temp_store = FILE"));
        createKeyIndexes(db);
        db.exec(QStringLiteral("PRAGMA temp_store = MEMORY"));
    }
    db.exec(QStringLiteral("PRAGMA mmap_size = %1").arg(mapped.toLongLong()));
    return stale;
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
// letters only); the program compares through the key columns of the goods
// and in C++ for the positions. No index of the file is ordered by a
// collation that tools lack.
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
                               "CaptionKey TEXT, "
                               "TypKey TEXT, "
                               "FirmaKey TEXT)"));
        createKeys(db);
        db.exec(QStringLiteral("CREATE TABLE dorvik_gruppa ("
                               "name_gruppa TEXT COLLATE NOCASE, "
                               "Numb INTEGER)"));
    });
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
    if (!hasColumn(db, kMakerKey))
        upgradeCatalogue(db);
    // Goods that other tools added or changed since the program last
    // connected, found through the partial index, so that a look costs next
    // to nothing.
    if (db.scalar(QStringLiteral("SELECT EXISTS (SELECT 1 FROM dorvik_data WHERE ") + kStale +
                  QStringLiteral(")"))
            .toBool())
        db.inTransaction([&] { fillKeysNow(db); });
}

GoodKeys keysOf(const QString &name, const QString &group, const QString &caption,
                const QString &type, const QString &maker)
{
    return {TextFolding::folded(name), TextFolding::folded(group), TextFolding::searchKey(caption),
            TextFolding::searchKey(type), TextFolding::searchKey(maker)};
}

int fillKeys(const Database &db)
{
    return fillKeysNow(db);
}

} // namespace Schema
