#include "SqliteCatalogue.h"

#include "AppError.h"
#include "Database.h"
#include "ScanConnections.h"
#include "Schema.h"
#include "Statement.h"
#include "TextFolding.h"
#include "WrittenColumns.h"

#include <QHash>
#include <QScopeGuard>
#include <QThread>
#include <algorithm>
#include <limits>
#include <memory>
#include <mutex>
#include <numeric>
#include <sqlite3.h>
#include <string>
#include <unordered_map>

namespace {

// Connects for one call and lets go after it, unless the caller holds the
// connection open itself.
auto connected(Database &db)
{
    const bool wasOpen = db.isOpen();
    db.open();
    return qScopeGuard([&db, wasOpen] {
        if (!wasOpen)
            db.close();
    });
}

// A text column as the model holds it: NULL stays a null text, an empty
// text stays empty.
QString textAt(const Statement &select, int column)
{
    if (select.isNull(column))
        return {};
    const QString text = select.text(column);
    return text.isNull() ? QStringLiteral("") : text;
}

const QString kGoodColumns =
    QStringLiteral("d.Name, d.Caption, d.Abb, d.Cost, d.M, d.TYP, d.COD, d.Firma, d.Gruppa");
const QString kDescription = QStringLiteral("Caption, Abb, Cost, M, TYP, COD, Firma, Gruppa");
const QString kKeys = QStringLiteral("NameKey, GruppaKey, CaptionKey, TypKey, FirmaKey");

CatalogueGood goodAt(const Statement &select, int first)
{
    return {textAt(select, first),     textAt(select, first + 1), textAt(select, first + 2),
            select.value(first + 3),   textAt(select, first + 4), textAt(select, first + 5),
            textAt(select, first + 6), textAt(select, first + 7), textAt(select, first + 8)};
}

// The five keys of a good, bound from place first on in the order of kKeys.
void bindKeys(Statement &statement, int first, const CatalogueGood &good)
{
    const Schema::GoodKeys keys =
        Schema::keysOf(good.name, good.group, good.caption, good.type, good.maker);
    statement.bind(first, keys.name);
    statement.bind(first + 1, keys.group);
    statement.bind(first + 2, keys.caption);
    statement.bind(first + 3, keys.type);
    statement.bind(first + 4, keys.maker);
}

// The goods that criteria admit: the condition, its values in order, and
// the index to read them by. A good's row is read only once the narrow index
// of the first criterion admits it, so that a search that finds nothing
// reads no row at all. With a group, its goods are read through the group's
// key, a fraction of the catalogue.
struct GoodsWhere {
    QString index;
    QStringList conditions;
    QVariantList values;
};

// The Latin letters, digits and signs of search keys from the most common
// to the least: the Cyrillic letters that look like Latin ones are the
// commonest of Russian, digits fill the sizes of a catalogue. Any other
// character is rarer still.
const QString kCommonCharacters = QStringLiteral(" oeahtcpbkm0y1-2x5.,34689/7");

// A GLOB pattern that every search key holding part matches, and few others:
// a search reads every good's key, and the engine finds a Latin character
// of a pattern in a text by a scan far quicker than instr() compares the
// text character by character. The pattern starts at the rarest Latin
// character of the part, one "?" for each character before it; the exact
// test is instr()'s, on the keys the pattern lets through. Empty when the
// part has no such character.
QString anchoredPattern(const QString &part)
{
    const QList<uint> points = part.toUcs4();
    qsizetype anchor = -1;
    qsizetype anchorRank = -1;
    for (qsizetype i = 0; i < points.size(); ++i) {
        const uint c = points[i];
        if (c >= 0x80 || c == '*' || c == '?' || c == '[')
            continue;
        const qsizetype common = kCommonCharacters.indexOf(QChar(c));
        const qsizetype rank = common < 0 ? kCommonCharacters.size() : common;
        if (rank > anchorRank) {
            anchor = i;
            anchorRank = rank;
        }
    }
    if (anchor < 0)
        return {};
    QString pattern = QStringLiteral("*") + QString(anchor, u'?');
    for (qsizetype i = anchor; i < points.size(); ++i) {
        const QString c = QString::fromUcs4(reinterpret_cast<const char32_t *>(&points[i]), 1);
        // The pattern's own characters stand for themselves in brackets.
        pattern += points[i] == '*' || points[i] == '?' || points[i] == '['
                       ? QStringLiteral("[") + c + QStringLiteral("]")
                       : c;
    }
    return pattern + u'*';
}

GoodsWhere whereOf(const GoodsCriteria &criteria)
{
    GoodsWhere where;
    if (criteria.group) {
        where.index = QStringLiteral("dorvik_data_GruppaKey");
        where.conditions << QStringLiteral("GruppaKey = ?");
        where.values << TextFolding::folded(*criteria.group);
    }
    const auto contains = [&](const char *key, const QString &part) {
        if (where.index.isEmpty())
            where.index = QStringLiteral("dorvik_data_") + QLatin1String(key);
        const QString searched = TextFolding::searchKey(part);
        const QString pattern = anchoredPattern(searched);
        if (!pattern.isEmpty()) {
            where.conditions << QStringLiteral("%1 GLOB ?").arg(QLatin1String(key));
            where.values << pattern;
        }
        where.conditions << QStringLiteral("instr(%1, ?) > 0").arg(QLatin1String(key));
        where.values << searched;
    };
    // An empty word asks only for a description.
    for (const QString &word : criteria.words)
        if (!word.isEmpty())
            contains(Schema::kCaptionKey, word);
    if (criteria.words.contains(QString()))
        where.conditions << QStringLiteral("Caption IS NOT NULL");
    if (!criteria.type.isEmpty())
        contains(Schema::kTypeKey, criteria.type);
    if (!criteria.maker.isEmpty())
        contains(Schema::kMakerKey, criteria.maker);
    return where;
}

// Whether a search reads the search key of every good in turn (no group
// narrows it), which is what is worth sharing out among the cores.
bool scansKeys(const GoodsCriteria &criteria, const GoodsWhere &where)
{
    return !criteria.group && !where.index.isEmpty();
}

void bindAll(Statement &statement, const QVariantList &values)
{
    for (int place = 0; place < values.size(); ++place)
        statement.bind(place, values[place]);
}

// The rows of dorvik_gruppa whose name is group, letter case aside: groups
// are few, and their table has no key of its own.
QList<qint64> groupRows(const Database &db, const QString &group)
{
    QList<qint64> rows;
    Statement select(db, QStringLiteral("SELECT rowid, name_gruppa FROM dorvik_gruppa"));
    while (select.next())
        if (TextFolding::equal(select.text(1), group))
            rows << select.integer(0);
    return rows;
}

// The eight columns after the name, from place first on: Caption, Abb, Cost,
// M, TYP, COD, Firma, Gruppa. A price that is an empty text is none.
void bindDescription(Statement &statement, int first, const CatalogueGood &good)
{
    statement.bind(first, good.caption);
    statement.bind(first + 1, good.unit);
    if (good.cost.toString().isEmpty())
        statement.bindNull(first + 2);
    else
        statement.bind(first + 2, good.cost);
    statement.bind(first + 3, good.mass);
    statement.bind(first + 4, good.type);
    statement.bind(first + 5, good.code);
    statement.bind(first + 6, good.maker);
    statement.bind(first + 7, good.group);
}

} // namespace

namespace {

// A search is shared among at most four connections, each of which maps
// the file into memory and keeps its own cache.
constexpr int kMostParts = 4;
// Fewer keys than these are read by one connection in about a millisecond.
constexpr qint64 kFewestKeysShared = 16'384;

} // namespace

SqliteCatalogue::SqliteCatalogue(Database &db)
    : m_db(db), m_parts(std::clamp(QThread::idealThreadCount(), 1, kMostParts)),
      m_fewestKeys(kFewestKeysShared)
{
}

SqliteCatalogue::~SqliteCatalogue() = default;

void SqliteCatalogue::shareSearches(int parts, qint64 fewestKeys)
{
    m_parts = std::max(parts, 1);
    m_fewestKeys = std::max<qint64>(fewestKeys, 1);
    m_scan.reset();
}

namespace {

// Appends text (UTF-8) as a JSON string and a comma.
void appendJsonString(QByteArray &json, const std::string &text)
{
    json += '"';
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            json +=
                QByteArrayLiteral("\\u00") + QByteArray::number(int(c), 16).rightJustified(2, '0');
        } else {
            json += c;
        }
    }
    json += "\",";
}

// One statement, prepared once, for every batch of names: the batch's keys go
// Texts that many goods share (units, masses, makers, groups), each made
// once and then shared by every good that carries it, which spares both
// the decoding and the memory of a copy per good. Only so many are kept:
// past that, a column of distinct texts is decoded as it comes.
class SharedTexts {
public:
    QString at(const Statement &select, int column)
    {
        if (select.isNull(column))
            return {};
        const std::string_view bytes = select.utf8(column);
        if (const auto known = m_texts.find(bytes); known != m_texts.end())
            return known->second;
        QString text = textAt(select, column);
        if (m_texts.size() < kMostKept)
            m_texts.emplace(std::string(bytes), text);
        return text;
    }

private:
    static constexpr size_t kMostKept = 4096;
    struct Hash {
        using is_transparent = void;
        size_t operator()(std::string_view text) const
        {
            return std::hash<std::string_view>()(text);
        }
    };
    std::unordered_map<std::string, QString, Hash, std::equal_to<>> m_texts;
};

// to the engine as one JSON array of strings, each looked up in the key
// index, so that a batch costs one run of the statement rather than one a
// name.
class SqliteGoodsLookup : public GoodsLookup {
public:
    explicit SqliteGoodsLookup(Database &db) : m_db(db), m_wasOpen(db.isOpen())
    {
        m_db.open();
        try {
            // Outside a transaction every run would take the file's lock and
            // give it back.
            if (sqlite3_get_autocommit(m_db.engine())) {
                m_db.exec(QStringLiteral("BEGIN"));
                m_reading = true;
            }
            m_select = std::make_unique<Statement>(
                m_db, QStringLiteral("SELECT k.key, d.RowKey, %1 FROM json_each(?) AS k "
                                     "CROSS JOIN dorvik_data AS d ON d.NameKey = k.value")
                          .arg(kGoodColumns));
        } catch (...) {
            letGo();
            throw;
        }
    }
    ~SqliteGoodsLookup() override { letGo(); }

    QList<std::optional<CatalogueGood>> find(const QStringList &names) override
    {
        // Each key is asked once; places[i] is the place of names[i] among
        // the keys.
        std::unordered_map<std::string, int> placeOfKey;
        QList<int> places(names.size(), -1);
        QByteArray keys = "[";
        for (qsizetype i = 0; i < names.size(); ++i) {
            if (names[i].isEmpty())
                continue;
            const QByteArray utf8 = TextFolding::folded(names[i]).toUtf8();
            auto [known, isNew] = placeOfKey.try_emplace(
                std::string(utf8.constData(), size_t(utf8.size())), int(placeOfKey.size()));
            places[i] = known->second;
        }
        QList<std::optional<CatalogueGood>> goods(names.size());
        if (placeOfKey.empty())
            return goods;
        // Keys asked in their order walk the index and the table in order,
        // which reads each page once rather than now and again.
        std::vector<const std::pair<const std::string, int> *> ordered;
        ordered.reserve(placeOfKey.size());
        for (const auto &entry : placeOfKey)
            ordered.push_back(&entry);
        std::sort(ordered.begin(), ordered.end(),
                  [](const auto *a, const auto *b) { return a->first < b->first; });
        std::vector<int> placeOfAsked;
        placeOfAsked.reserve(ordered.size());
        for (const auto *entry : ordered) {
            appendJsonString(keys, entry->first);
            placeOfAsked.push_back(entry->second);
        }
        keys.back() = ']';

        QList<std::optional<CatalogueGood>> found(qsizetype(placeOfKey.size()));
        QList<qint64> foundRow(found.size(), std::numeric_limits<qint64>::max());
        m_select->bindUtf8(0, std::string_view(keys.constData(), size_t(keys.size())));
        while (m_select->next()) {
            const qsizetype place = placeOfAsked[size_t(m_select->integer(0))];
            const qint64 row = m_select->integer(1);
            // Of goods that share a name, the one stored first counts.
            if (row < foundRow[place]) {
                foundRow[place] = row;
                const Statement &select = *m_select;
                found[place] = CatalogueGood{
                    textAt(select, 2), textAt(select, 3),      m_units.at(select, 4),
                    select.value(5),   m_masses.at(select, 6), textAt(select, 7),
                    textAt(select, 8), m_makers.at(select, 9), m_groups.at(select, 10)};
            }
        }
        m_select->reset();
        for (qsizetype i = 0; i < names.size(); ++i)
            if (places[i] >= 0)
                goods[i] = found[places[i]];
        return goods;
    }

private:
    void letGo()
    {
        m_select.reset();
        if (m_reading) {
            try {
                m_db.exec(QStringLiteral("COMMIT"));
            } catch (const AppError &) {
                // A read has nothing to keep; closing ends it all the same.
            }
        }
        if (!m_wasOpen)
            m_db.close();
    }

    Database &m_db;
    SharedTexts m_units, m_masses, m_makers, m_groups;
    const bool m_wasOpen;
    bool m_reading = false;
    std::unique_ptr<Statement> m_select;
};

} // namespace

QList<std::optional<CatalogueGood>> SqliteCatalogue::find(const QStringList &names)
{
    if (std::all_of(names.cbegin(), names.cend(),
                    [](const QString &name) { return name.isEmpty(); }))
        return QList<std::optional<CatalogueGood>>(names.size());
    return lookup()->find(names);
}

std::unique_ptr<GoodsLookup> SqliteCatalogue::lookup()
{
    return std::make_unique<SqliteGoodsLookup>(m_db);
}

GoodsWritten SqliteCatalogue::writeGoods(const QList<CatalogueGood> &goods,
                                         const std::function<void(int done, int total)> &progress)
{
    return writeGoods(goods, GoodsWriteOptions{}, progress);
}

std::unique_ptr<CatalogueHold> SqliteCatalogue::hold()
{
    class Held : public CatalogueHold {
    public:
        explicit Held(SqliteCatalogue &catalogue)
            : m_catalogue(catalogue), m_wasOpen(catalogue.m_db.isOpen())
        {
            m_catalogue.m_db.open();
            ++m_catalogue.m_holds;
        }
        ~Held() override
        {
            // The connections of a shared search hold the file as well.
            if (--m_catalogue.m_holds == 0)
                m_catalogue.m_scan.reset();
            if (!m_wasOpen)
                m_catalogue.m_db.close();
        }

    private:
        SqliteCatalogue &m_catalogue;
        const bool m_wasOpen;
    };
    return std::make_unique<Held>(*this);
}

bool SqliteCatalogue::readShared(qint64 after, int limit,
                                 const std::function<QString(const QString &range)> &sqlOf,
                                 const QVariantList &values,
                                 const std::function<qsizetype(int part, Statement &select)> &read)
{
    sqlite3 *own = m_db.engine();
    // Within a transaction of its own the connection sees what it has not
    // committed, which no other connection does.
    if (m_holds == 0 || m_parts < 2 || !own || !sqlite3_get_autocommit(own))
        return false;
    // The file's shared lock, taken by the first read, keeps every other
    // program from committing until the search ends.
    m_db.exec(QStringLiteral("BEGIN"));
    const auto endRead = qScopeGuard([this] {
        if (m_scan)
            m_scan->endReads();
        try {
            m_db.exec(QStringLiteral("COMMIT"));
        } catch (const AppError &) {
            // A read has nothing to keep.
        }
    });
    qint64 first = 0;
    qint64 last = 0;
    {
        // One aggregate a query, so that each is one step down the table.
        Statement ends(m_db, QStringLiteral("SELECT (SELECT MIN(RowKey) FROM dorvik_data), "
                                            "(SELECT MAX(RowKey) FROM dorvik_data), "
                                            "(SELECT journal_mode FROM pragma_journal_mode)"));
        ends.next();
        // A write-ahead log lets others commit while the file is read, and
        // connections that began one after the other could read different
        // catalogues.
        if (ends.isNull(0) || ends.text(2).compare(QLatin1String("wal"), Qt::CaseInsensitive) == 0)
            return false;
        first = ends.integer(0);
        last = ends.integer(1);
    }
    qint64 from = first == std::numeric_limits<qint64>::min() ? after : std::max(after, first - 1);
    if (last <= from || quint64(last) - quint64(from) <= quint64(m_fewestKeys))
        return false;

    const QString file = m_db.file();
    const QString bounded = sqlOf(QStringLiteral("RowKey > ? AND RowKey <= ?"));
    const QString unbounded = sqlOf(QStringLiteral("RowKey > ?"));
    // The goods each part found, -1 until it ends.
    std::vector<qsizetype> found(static_cast<size_t>(m_parts) + 1, -1);
    const auto readPart = [&](int part, sqlite3 *engine, qint64 above, qint64 upTo) {
        const bool isLast = upTo == std::numeric_limits<qint64>::max();
        Statement statement(engine, file, isLast ? unbounded : bounded);
        int place = 0;
        statement.bind(place++, above);
        if (!isLast)
            statement.bind(place++, upTo);
        for (const QVariant &value : values)
            statement.bind(place++, value);
        return read(part, statement);
    };
    int firstShared = 0;
    if (limit > 0) {
        // The first keys alone: a word that many goods hold fills its page
        // from them, and no thread is started for it.
        const qint64 upTo = qint64(quint64(from) + quint64(m_fewestKeys));
        found[0] = readPart(0, own, from, upTo);
        if (found[0] >= limit)
            return true;
        from = upTo;
        firstShared = 1;
    }

    const quint64 span = quint64(last) - quint64(from);
    int parts = int(std::min<quint64>(quint64(m_parts), span));
    if (parts > 1 && (!m_scan || m_scan->count() < parts - 1 || !m_scan->read(file))) {
        m_scan.reset();
        const qint64 mapped = m_db.scalar(QStringLiteral("PRAGMA mmap_size")).toLongLong();
        try {
            m_scan = std::make_unique<ScanConnections>(file, m_parts - 1, mapped);
        } catch (const AppError &) {
            // The catalogue's own connection reads it all the same.
            parts = 1;
        }
    }
    if (parts > 1 && !m_scan->beginReads(parts - 1))
        parts = 1;
    if (parts == 1) {
        readPart(firstShared, own, from, std::numeric_limits<qint64>::max());
        return true;
    }
    // Part i reads the keys above bounds[i] up to bounds[i + 1]; the last
    // one every key above its start, which while the lock is held are those
    // up to `last`. An upper end makes the engine compare every row with
    // it, which costs a quarter more a row, so the last range, which has
    // none, is a quarter longer than the others.
    const quint64 shares = quint64(4 * parts + 1);
    const quint64 step = span / shares * 4 + span % shares * 4 / shares;
    std::vector<qint64> bounds(static_cast<size_t>(parts) + 1);
    for (int i = 0; i < parts; ++i)
        bounds[size_t(i)] = qint64(quint64(from) + step * quint64(i));
    bounds[size_t(parts)] = std::numeric_limits<qint64>::max();
    std::mutex ending;
    m_scan->run(parts, own, [&](int part, sqlite3 *engine) {
        const qsizetype goods =
            readPart(firstShared + part, engine, bounds[size_t(part)], bounds[size_t(part) + 1]);
        if (limit <= 0)
            return;
        // Once the parts below one hold limit goods, those above it are
        // not wanted and need not end their reading.
        const std::lock_guard lock(ending);
        found[size_t(firstShared + part)] = goods;
        qsizetype below = 0;
        for (size_t i = 0; i < found.size() && found[i] >= 0; ++i) {
            below += found[i];
            if (below >= limit) {
                m_scan->cancelAbove(int(i) - firstShared);
                break;
            }
        }
    });
    return true;
}

QList<QList<GoodVersion>> SqliteCatalogue::versionsOf(const QStringList &names)
{
    QList<QList<GoodVersion>> versions(names.size());
    // The places of each key among names; each key is asked once.
    std::unordered_map<std::string, QList<qsizetype>> placesOfKey;
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (names[i].isEmpty())
            continue;
        const QByteArray utf8 = TextFolding::folded(names[i]).toUtf8();
        placesOfKey[std::string(utf8.constData(), size_t(utf8.size()))] << i;
    }
    if (placesOfKey.empty())
        return versions;
    QByteArray keys = "[";
    for (const auto &entry : placesOfKey)
        appendJsonString(keys, entry.first);
    keys.back() = ']';
    const auto disconnect = connected(m_db);
    Statement select(m_db, QStringLiteral("SELECT k.value, d.RowKey FROM json_each(?) AS k "
                                          "CROSS JOIN dorvik_data AS d ON d.NameKey = k.value "
                                          "ORDER BY d.RowKey"));
    select.bindUtf8(0, std::string_view(keys.constData(), size_t(keys.size())));
    while (select.next()) {
        const std::string_view key = select.utf8(0);
        for (const qsizetype place : placesOfKey.at(std::string(key)))
            versions[place] << GoodVersion{select.integer(1), 0};
    }
    return versions;
}

QList<StoredGood> SqliteCatalogue::findGoods(const GoodsCriteria &criteria, qint64 after, int limit)
{
    const auto disconnect = connected(m_db);
    const GoodsWhere where = whereOf(criteria);
    const QVariantList values = where.values + QVariantList{qint64(limit)};
    QList<StoredGood> goods;
    if (where.index.isEmpty()) {
        Statement select(m_db, QStringLiteral("SELECT d.RowKey, %1 FROM dorvik_data AS d WHERE "
                                              "%2 ORDER BY d.RowKey LIMIT ?")
                                   .arg(kGoodColumns, (where.conditions +
                                                       QStringList{QStringLiteral("d.RowKey > ?")})
                                                          .join(QStringLiteral(" AND "))));
        bindAll(select, where.values + QVariantList{after, qint64(limit)});
        while (select.next())
            goods.append({select.integer(0), goodAt(select, 1)});
        return goods;
    }
    // The keys of the goods are found in the narrow index alone, and only
    // the goods found are read from the table: a step from the index to the
    // table for every good passed over would cost a quarter of the search.
    const auto sqlOf = [&](const QString &range) {
        return QStringLiteral("SELECT d.RowKey, %1 FROM (SELECT RowKey FROM dorvik_data "
                              "INDEXED BY %2 WHERE %3 ORDER BY RowKey LIMIT ?) AS k "
                              "CROSS JOIN dorvik_data AS d ON d.RowKey = k.RowKey "
                              "ORDER BY d.RowKey")
            .arg(kGoodColumns, where.index,
                 (QStringList{range} + where.conditions).join(QStringLiteral(" AND ")));
    };
    if (scansKeys(criteria, where)) {
        // Each range gives its first goods, and the page is the lowest
        // ranges' goods up to limit.
        std::vector<QList<StoredGood>> pages(static_cast<size_t>(m_parts) + 1);
        if (readShared(after, limit, sqlOf, values, [&](int part, Statement &select) {
                QList<StoredGood> &page = pages[size_t(part)];
                while (select.next())
                    page.append({select.integer(0), goodAt(select, 1)});
                return page.size();
            })) {
            for (const QList<StoredGood> &page : pages)
                goods << page.mid(0, limit - goods.size());
            return goods;
        }
    }
    Statement select(m_db, sqlOf(QStringLiteral("RowKey > ?")));
    bindAll(select, QVariantList{after} + values);
    while (select.next())
        goods.append({select.integer(0), goodAt(select, 1)});
    return goods;
}

int SqliteCatalogue::countGoods(const GoodsCriteria &criteria)
{
    const auto disconnect = connected(m_db);
    const GoodsWhere where = whereOf(criteria);
    if (scansKeys(criteria, where)) {
        std::vector<qint64> counts(static_cast<size_t>(m_parts) + 1);
        const auto sqlOf = [&](const QString &range) {
            return QStringLiteral("SELECT COUNT(*) FROM dorvik_data INDEXED BY %1 WHERE %2")
                .arg(where.index,
                     (QStringList{range} + where.conditions).join(QStringLiteral(" AND ")));
        };
        if (readShared(std::numeric_limits<qint64>::min(), 0, sqlOf, where.values,
                       [&](int part, Statement &select) {
                           select.next();
                           counts[size_t(part)] = select.integer(0);
                           return qsizetype(0);
                       }))
            return int(std::accumulate(counts.begin(), counts.end(), qint64(0)));
    }
    return m_db
        .scalar(
            QStringLiteral("SELECT COUNT(*) FROM dorvik_data") +
                (where.conditions.isEmpty()
                     ? QString()
                     : QStringLiteral(" WHERE ") + where.conditions.join(QStringLiteral(" AND "))),
            where.values)
        .toInt();
}

QList<NamesakeGoods> SqliteCatalogue::namesakes()
{
    const auto disconnect = connected(m_db);
    Statement select(m_db,
                     QStringLiteral("SELECT d.RowKey, d.NameKey, %1 FROM dorvik_data AS d WHERE "
                                    "d.NameKey IN (SELECT NameKey FROM dorvik_data WHERE "
                                    "NameKey <> '' GROUP BY NameKey HAVING COUNT(*) > 1) "
                                    "ORDER BY d.RowKey")
                         .arg(kGoodColumns));
    QList<NamesakeGoods> sets;
    QHash<QString, qsizetype> placeOfKey;
    while (select.next()) {
        const QString key = select.text(1);
        auto place = placeOfKey.constFind(key);
        if (place == placeOfKey.constEnd()) {
            place = placeOfKey.insert(key, sets.size());
            sets.append(NamesakeGoods());
        }
        sets[*place].append({select.integer(0), goodAt(select, 2)});
    }
    return sets;
}

qint64 SqliteCatalogue::addGood(const CatalogueGood &good)
{
    const auto disconnect = connected(m_db);
    Statement insert(m_db, QStringLiteral("INSERT INTO dorvik_data (Name, %1, %2) VALUES "
                                          "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
                               .arg(kDescription, kKeys));
    insert.bind(0, good.name);
    bindDescription(insert, 1, good);
    bindKeys(insert, 9, good);
    insert.run();
    return sqlite3_last_insert_rowid(m_db.engine());
}

// The file is one designer's own: its goods carry no versions.
qint64 SqliteCatalogue::updateGood(const StoredGood &read, const CatalogueGood &good)
{
    const qint64 key = read.key;
    const auto disconnect = connected(m_db);
    m_db.inTransaction([&] {
        Statement update(m_db, QStringLiteral("UPDATE dorvik_data SET (Name, %1, %2) = "
                                              "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) "
                                              "WHERE RowKey = ?")
                                   .arg(kDescription, kKeys));
        update.bind(0, good.name);
        bindDescription(update, 1, good);
        bindKeys(update, 9, good);
        update.bind(14, key);
        update.run();
        Schema::fillKeys(m_db);
    });
    return 0;
}

void SqliteCatalogue::removeGood(const StoredGood &read)
{
    const auto disconnect = connected(m_db);
    m_db.exec(QStringLiteral("DELETE FROM dorvik_data WHERE RowKey = ?"), {read.key});
}

QStringList SqliteCatalogue::goodsGroups()
{
    const auto disconnect = connected(m_db);
    // One step through the key index per group rather than a pass over
    // every good: each key is the least one above the one before.
    Statement select(m_db,
                     QStringLiteral("WITH RECURSIVE keys(k) AS ("
                                    "SELECT MIN(GruppaKey) FROM dorvik_data WHERE GruppaKey > '' "
                                    "UNION ALL SELECT (SELECT MIN(GruppaKey) FROM dorvik_data "
                                    "WHERE GruppaKey > k) FROM keys WHERE k IS NOT NULL) "
                                    "SELECT (SELECT Gruppa FROM dorvik_data WHERE GruppaKey = k "
                                    "ORDER BY RowKey LIMIT 1) FROM keys WHERE k IS NOT NULL"));
    QStringList groups;
    while (select.next())
        groups << select.text(0);
    return groups;
}

QStringList SqliteCatalogue::groupNames(const QString &sql)
{
    const auto disconnect = connected(m_db);
    QStringList result;
    Statement select(m_db, sql);
    while (select.next()) {
        // A null name (a row written by another tool) is as good as none.
        const QString name = select.text(0);
        if (!name.isEmpty())
            result << name;
    }
    return result;
}

GroupOrderRead SqliteCatalogue::readGroupOrder()
{
    // Rows that share a place keep the order in which they were written.
    return {
        groupNames(QStringLiteral("SELECT name_gruppa FROM dorvik_gruppa ORDER BY Numb, rowid")),
        0};
}

QStringList SqliteCatalogue::groupsAlphabetical()
{
    // By their folded letters, as the keys order them; rows equal but for
    // letter case keep the order in which they were written.
    QStringList groups =
        groupNames(QStringLiteral("SELECT name_gruppa FROM dorvik_gruppa ORDER BY rowid"));
    std::stable_sort(groups.begin(), groups.end(), [](const QString &a, const QString &b) {
        return TextFolding::folded(a) < TextFolding::folded(b);
    });
    return groups;
}

qint64 SqliteCatalogue::renameGroup(const QString &from, const QString &to, qint64)
{
    const auto disconnect = connected(m_db);
    m_db.inTransaction([&] {
        for (const qint64 row : groupRows(m_db, from))
            m_db.exec(QStringLiteral("UPDATE dorvik_gruppa SET name_gruppa = ? WHERE rowid = ?"),
                      {to, row});
        m_db.exec(QStringLiteral("UPDATE dorvik_data SET Gruppa = ?, GruppaKey = ? "
                                 "WHERE GruppaKey = ?"),
                  {to, TextFolding::folded(to), TextFolding::folded(from)});
        // A rename in letter case only keeps the key, which the file's
        // trigger emptied.
        Schema::fillKeys(m_db);
    });
    return 0;
}

std::optional<qint64> SqliteCatalogue::removeGroup(const QString &group, qint64)
{
    const auto disconnect = connected(m_db);
    bool removed = false;
    // One transaction, so that no good can take the group between the look
    // and the deletion.
    m_db.inTransaction([&] {
        if (!m_db.scalar(QStringLiteral("SELECT 1 FROM dorvik_data WHERE GruppaKey = ? LIMIT 1"),
                         {TextFolding::folded(group)})
                 .isNull())
            return;
        for (const qint64 row : groupRows(m_db, group))
            m_db.exec(QStringLiteral("DELETE FROM dorvik_gruppa WHERE rowid = ?"), {row});
        removed = true;
    });
    return removed ? std::optional<qint64>(0) : std::nullopt;
}

qint64 SqliteCatalogue::writeGroupOrder(const QStringList &groups, qint64,
                                        const std::function<void(int done, int total)> &progress)
{
    const auto disconnect = connected(m_db);
    const int total = int(groups.size());
    m_db.inTransaction([&] {
        // The rows of every group the table holds, by folded name.
        QHash<QString, QList<qint64>> rowsOf;
        {
            Statement select(m_db, QStringLiteral("SELECT rowid, name_gruppa FROM dorvik_gruppa"));
            while (select.next())
                rowsOf[TextFolding::folded(select.text(1))] << select.integer(0);
        }
        Statement place(m_db, QStringLiteral("UPDATE dorvik_gruppa SET Numb = ? WHERE rowid = ?"));
        Statement insert(
            m_db, QStringLiteral("INSERT INTO dorvik_gruppa (Numb, name_gruppa) VALUES (?, ?)"));
        for (int i = 0; i < total; ++i) {
            const QString key = TextFolding::folded(groups[i]);
            const auto known = rowsOf.constFind(key);
            if (known != rowsOf.constEnd()) {
                for (const qint64 row : *known) {
                    place.bind(0, qint64(i));
                    place.bind(1, row);
                    place.run();
                }
            } else {
                insert.bind(0, qint64(i));
                insert.bind(1, groups[i]);
                insert.run();
                // A name given twice is one group.
                rowsOf.insert(key, {sqlite3_last_insert_rowid(m_db.engine())});
            }
            if (progress)
                progress(i + 1, total);
        }
    });
    return 0;
}

// Writes of some columns: a price list gives prices and a few texts, and
// the goods keep the rest of what they hold.

namespace {

// In the order of the table and of the staging table below.
constexpr std::initializer_list<DescriptionColumn> kDescriptionColumns = {
    {GoodField::Caption, "Caption", Schema::kCaptionKey},
    {GoodField::Unit, "Abb", nullptr},
    {GoodField::Cost, "Cost", nullptr},
    {GoodField::Mass, "M", nullptr},
    {GoodField::Type, "TYP", Schema::kTypeKey},
    {GoodField::Code, "COD", nullptr},
    {GoodField::Maker, "Firma", Schema::kMakerKey},
    {GoodField::Group, "Gruppa", Schema::kGroupKey}};

} // namespace

GoodsWritten SqliteCatalogue::writeGoods(const QList<CatalogueGood> &goods,
                                         const GoodsWriteOptions &options,
                                         const std::function<void(int done, int total)> &progress)
{
    const WrittenColumns touched(kDescriptionColumns, options.fields);
    const QStringList &given = touched.given;
    const QStringList &newColumns = touched.newColumns;
    const QStringList &newValues = touched.newValues;
    GoodsWritten written;
    const auto disconnect = connected(m_db);
    // The write dirties pages all over the file; they stay in memory until
    // the commit instead of being spilled and read back.
    m_db.exec(QStringLiteral("PRAGMA cache_size = -65536"));
    const int total = int(goods.size());
    m_db.inTransaction([&] {
        // The goods are staged by name key with all their keys, then written
        // by two statements. A statement of its own for every good would copy
        // each page it touches into its statement journal; one statement for
        // all of them copies each page once. A name given twice keeps its
        // first spelling and its last description.
        m_db.exec(QStringLiteral("CREATE TEMP TABLE written_goods (NameKey TEXT PRIMARY KEY, "
                                 "GruppaKey, CaptionKey, TypKey, FirmaKey, "
                                 "Name, Caption, Abb, Cost, M, TYP, COD, Firma, Gruppa)"));
        {
            Statement stage(
                m_db, QStringLiteral("INSERT INTO temp.written_goods VALUES "
                                     "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT "
                                     "(NameKey) DO UPDATE SET GruppaKey = excluded.GruppaKey, "
                                     "CaptionKey = excluded.CaptionKey, TypKey = excluded.TypKey, "
                                     "FirmaKey = excluded.FirmaKey, Caption = excluded.Caption, "
                                     "Abb = excluded.Abb, Cost = excluded.Cost, M = excluded.M, "
                                     "TYP = excluded.TYP, COD = excluded.COD, "
                                     "Firma = excluded.Firma, Gruppa = excluded.Gruppa"));
            for (int i = 0; i < total; ++i) {
                const CatalogueGood &good = goods[i];
                bindKeys(stage, 0, good);
                stage.bind(5, good.name);
                bindDescription(stage, 6, good);
                stage.run();
                if (progress)
                    progress(i + 1, total);
            }
        }
        // A good that already holds what the write gives is not written
        // again: a price list of this month repeats most of last month's.
        if (!given.isEmpty()) {
            const QString columns = given.join(QStringLiteral(", "));
            QStringList held;
            for (const QString &column : std::as_const(given))
                held << QStringLiteral("g.") + column;
            m_db.exec(QStringLiteral("UPDATE dorvik_data SET (%1) = (%2) FROM temp.written_goods "
                                     "AS g WHERE g.NameKey = dorvik_data.NameKey AND "
                                     "(dorvik_data.%3) IS NOT (%2)")
                          .arg(columns, held.join(QStringLiteral(", ")),
                               given.join(QStringLiteral(", dorvik_data."))));
        }
        const int matched =
            m_db.scalar(QStringLiteral("SELECT COUNT(*) FROM temp.written_goods AS g WHERE EXISTS "
                                       "(SELECT 1 FROM dorvik_data AS d WHERE d.NameKey = "
                                       "g.NameKey)"))
                .toInt();
        if (options.addNew) {
            m_db.exec(QStringLiteral("INSERT INTO dorvik_data (Name, NameKey, %1) SELECT Name, "
                                     "NameKey, %2 FROM temp.written_goods AS g WHERE NOT EXISTS "
                                     "(SELECT 1 FROM dorvik_data AS d WHERE d.NameKey = "
                                     "g.NameKey) ORDER BY g.rowid")
                          .arg(newColumns.join(QStringLiteral(", ")),
                               newValues.join(QStringLiteral(", "))));
            // The rows of that statement itself, not those of its triggers.
            written.added = m_db.scalar(QStringLiteral("SELECT changes()")).toInt();
        }
        written.goods = matched + written.added;
        m_db.exec(QStringLiteral("DROP TABLE temp.written_goods"));
        // A text changed in letter case only keeps its key, which the file's
        // trigger emptied.
        Schema::fillKeys(m_db);
    });
    return written;
}

void SqliteCatalogue::forEachGood(const std::function<void(const CatalogueGood &good)> &visit)
{
    const auto disconnect = connected(m_db);
    const Unmapped unmapped(m_db);
    Statement select(
        m_db,
        QStringLiteral("SELECT %1 FROM dorvik_data AS d ORDER BY d.RowKey").arg(kGoodColumns));
    while (select.next())
        visit(goodAt(select, 0));
}

void SqliteCatalogue::replaceAll(const GoodsFeed &feed, const QStringList &groups)
{
    const auto disconnect = connected(m_db);
    const Unmapped unmapped(m_db);
    m_db.inTransaction([&] {
        m_db.exec(QStringLiteral("DELETE FROM dorvik_data"));
        m_db.exec(QStringLiteral("DELETE FROM dorvik_gruppa"));
        Statement insert(m_db, QStringLiteral("INSERT INTO dorvik_data (Name, %1, %2) VALUES "
                                              "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
                                   .arg(kDescription, kKeys));
        feed([&](const CatalogueGood &good) {
            insert.bind(0, good.name);
            bindDescription(insert, 1, good);
            bindKeys(insert, 9, good);
            insert.run();
        });
        Statement group(
            m_db, QStringLiteral("INSERT INTO dorvik_gruppa (Numb, name_gruppa) VALUES (?, ?)"));
        for (int i = 0; i < groups.size(); ++i) {
            group.bind(0, qint64(i));
            group.bind(1, groups[i]);
            group.run();
        }
    });
}
