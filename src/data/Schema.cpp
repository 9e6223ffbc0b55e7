#include "Schema.h"

#include "AppError.h"
#include "Database.h"
#include "Statement.h"
#include "TextFolding.h"

#include <QStringDecoder>
#include <limits>
#include <sqlite3.h>
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

// Past this many goods without keys, the key indexes are made anew after the
// keys are written rather than kept up to date row by row: sorting once is
// far cheaper than a million insertions in random places.
constexpr int kRebuildIndexesFrom = 50'000;
constexpr int kFillBatch = 4096;

// A text of a function's argument as the program holds it: NULL as empty,
// a leading U+FEFF kept (QString::fromUtf8 would drop it as a byte-order
// mark).
QString argumentText(sqlite3_value *value)
{
    const auto *data = reinterpret_cast<const char *>(sqlite3_value_text(value));
    if (!data)
        return QStringLiteral("");
    const QByteArrayView bytes(data, sqlite3_value_bytes(value));
    if (!bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes);
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless |
                                                       QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

void resultText(sqlite3_context *context, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_result_text(context, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

// kv_folded() and kv_search_key() on the connection while the object lives;
// no file needs them afterwards.
class KeyFunctions {
public:
    explicit KeyFunctions(const Database &db) : m_engine(db.engine())
    {
        const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
        if (sqlite3_create_function_v2(
                m_engine, "kv_folded", 1, flags, nullptr,
                [](sqlite3_context *context, int, sqlite3_value **arguments) {
                    resultText(context, TextFolding::folded(argumentText(arguments[0])));
                },
                nullptr, nullptr, nullptr) != SQLITE_OK ||
            sqlite3_create_function_v2(
                m_engine, "kv_search_key", 1, flags, nullptr,
                [](sqlite3_context *context, int, sqlite3_value **arguments) {
                    resultText(context, TextFolding::searchKey(argumentText(arguments[0])));
                },
                nullptr, nullptr, nullptr) != SQLITE_OK)
            throw AppError(QStringLiteral("Не удалось подготовить заполнение ключей базы товара."),
                           db.file());
    }
    ~KeyFunctions()
    {
        for (const char *name : {"kv_folded", "kv_search_key"})
            sqlite3_create_function_v2(m_engine, name, 1, SQLITE_UTF8, nullptr, nullptr, nullptr,
                                       nullptr, nullptr);
    }
    KeyFunctions(const KeyFunctions &) = delete;
    KeyFunctions &operator=(const KeyFunctions &) = delete;

private:
    sqlite3 *m_engine;
};

int fillKeysNow(const Database &db)
{
    const int stale =
        db.scalar(QStringLiteral("SELECT COUNT(*) FROM dorvik_data WHERE ") + kStale).toInt();
    if (stale == 0)
        return 0;
    const bool rebuild = stale >= kRebuildIndexesFrom;
    const Unmapped unmapped(db);
    if (rebuild)
        dropKeyIndexes(db);
    {
        // The keys are written by the engine itself, a window of rows at a
        // time in the order they are stored, through two functions that live
        // only for this pass: a row read and written in place by one scan,
        // rather than read by one statement and sought again by another.
        const KeyFunctions functions(db);
        // Each window ends at the row kFillBatch rows on, whatever gaps the
        // keys of the rows leave.
        Statement windowEnd(db, QStringLiteral("SELECT RowKey FROM dorvik_data WHERE RowKey >= ? "
                                               "ORDER BY RowKey LIMIT 1 OFFSET ?"));
        Statement update(
            db,
            QStringLiteral("UPDATE dorvik_data SET NameKey = kv_folded(Name), "
                           "GruppaKey = kv_folded(Gruppa), CaptionKey = kv_search_key(Caption), "
                           "TypKey = kv_search_key(TYP), FirmaKey = kv_search_key(Firma) "
                           "WHERE RowKey BETWEEN ? AND ? AND ") +
                kStale);
        qint64 from = std::numeric_limits<qint64>::min();
        for (bool more = true; more;) {
            windowEnd.bind(0, from);
            windowEnd.bind(1, qint64(kFillBatch));
            more = windowEnd.next();
            const qint64 to = more ? windowEnd.integer(0) - 1 : std::numeric_limits<qint64>::max();
            windowEnd.reset();
            update.bind(0, from);
            update.bind(1, to);
            update.run();
            from = to + 1;
        }
    }
    if (rebuild) {
        // The sort of a new index spills into a temporary file rather than
        // into memory, which a million goods would fill.
        db.exec(QStringLiteral("PRAGMA temp_store = FILE"));
        createKeyIndexes(db);
        db.exec(QStringLiteral("PRAGMA temp_store = MEMORY"));
    }
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
