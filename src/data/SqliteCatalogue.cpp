#include "SqliteCatalogue.h"

#include "AppError.h"
#include "Database.h"
#include "Schema.h"
#include "Statement.h"
#include "TextFolding.h"

#include <QScopeGuard>
#include <algorithm>
#include <limits>
#include <memory>
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

QString containing(const QString &text)
{
    return QStringLiteral("%") + TextFolding::likeEscaped(text) + QStringLiteral("%");
}

const QString kLike = QStringLiteral(" LIKE ? ESCAPE '\\'");

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

SqliteCatalogue::SqliteCatalogue(Database &db) : m_db(db) {}

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
CatalogueGood goodAt(const Statement &select, int first)
{
    return {textAt(select, first),     textAt(select, first + 1), textAt(select, first + 2),
            select.value(first + 3),   textAt(select, first + 4), textAt(select, first + 5),
            textAt(select, first + 6), textAt(select, first + 7), textAt(select, first + 8)};
}

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
            const QByteArray utf8 = names[i].toUtf8();
            auto [known, isNew] = placeOfKey.try_emplace(
                TextFolding::folded(std::string_view(utf8.constData(), utf8.size())),
                int(placeOfKey.size()));
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

QStringList SqliteCatalogue::groupOrder()
{
    // Rows that share a place keep the order in which they were written.
    return groupNames(QStringLiteral("SELECT name_gruppa FROM dorvik_gruppa ORDER BY Numb, rowid"));
}

QStringList SqliteCatalogue::groupsAlphabetical()
{
    return groupNames(
        QStringLiteral("SELECT name_gruppa FROM dorvik_gruppa ORDER BY name_gruppa COLLATE FOLD"));
}

GoodsQuery SqliteCatalogue::goodsQuery(const GoodsCriteria &criteria) const
{
    GoodsQuery query;
    QStringList conditions;
    // The words are looked for in the folded descriptions. Without a group,
    // the narrow index of these keys is read in the order of the goods, and
    // a good's row only when all the words are there: a search that finds
    // nothing reads no row at all. With a group, its goods are read through
    // the group's key, a fraction of the catalogue.
    for (const QString &word : criteria.words) {
        conditions << QStringLiteral("contains(CaptionKey, ?)");
        query.values << TextFolding::searchKey(word);
    }
    if (criteria.words.contains(QString()))
        conditions << QStringLiteral("Caption IS NOT NULL");
    if (criteria.group) {
        conditions << QStringLiteral("GruppaKey = ?");
        query.values << TextFolding::folded(*criteria.group);
    }
    if (!criteria.type.isEmpty()) {
        conditions << QStringLiteral("TYP") + kLike;
        query.values << containing(criteria.type);
    }
    if (!criteria.maker.isEmpty()) {
        conditions << QStringLiteral("Firma") + kLike;
        query.values << containing(criteria.maker);
    }
    if (!criteria.words.isEmpty() && !criteria.group)
        query.where = QStringLiteral(" INDEXED BY dorvik_data_CaptionKey");
    if (!conditions.isEmpty())
        query.where += QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
    query.orderBy = QLatin1String(Schema::kRowKey);
    return query;
}

void SqliteCatalogue::renameGroup(const QString &from, const QString &to)
{
    const auto disconnect = connected(m_db);
    m_db.inTransaction([&] {
        m_db.exec(QStringLiteral("UPDATE dorvik_gruppa SET name_gruppa = ? "
                                 "WHERE name_gruppa = ? COLLATE FOLD"),
                  {to, from});
        m_db.exec(QStringLiteral("UPDATE dorvik_data SET Gruppa = ? WHERE GruppaKey = ?"),
                  {to, TextFolding::folded(from)});
    });
}

bool SqliteCatalogue::removeGroup(const QString &group)
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
        m_db.exec(QStringLiteral("DELETE FROM dorvik_gruppa WHERE name_gruppa = ? COLLATE FOLD"),
                  {group});
        removed = true;
    });
    return removed;
}

void SqliteCatalogue::writeGroupOrder(const QStringList &groups,
                                      const std::function<void(int done, int total)> &progress)
{
    const auto disconnect = connected(m_db);
    const int total = int(groups.size());
    m_db.inTransaction([&] {
        Statement find(m_db, QStringLiteral("SELECT 1 FROM dorvik_gruppa "
                                            "WHERE name_gruppa = ? COLLATE FOLD LIMIT 1"));
        // Both take the place first and the name second.
        Statement place(m_db, QStringLiteral("UPDATE dorvik_gruppa SET Numb = ? "
                                             "WHERE name_gruppa = ? COLLATE FOLD"));
        Statement insert(
            m_db, QStringLiteral("INSERT INTO dorvik_gruppa (Numb, name_gruppa) VALUES (?, ?)"));
        for (int i = 0; i < total; ++i) {
            find.bind(0, groups[i]);
            const bool known = find.next();
            find.reset();
            Statement &statement = known ? place : insert;
            statement.bind(0, qint64(i));
            statement.bind(1, groups[i]);
            statement.run();
            if (progress)
                progress(i + 1, total);
        }
    });
}

// Writes of some columns: a price list gives prices and a few texts, and
// the goods keep the rest of what they hold.

namespace {

struct DescriptionColumn {
    GoodField field;
    const char *name;
};

// In the order of the table and of the staging table below.
constexpr DescriptionColumn kDescriptionColumns[] = {
    {GoodField::Caption, "Caption"}, {GoodField::Unit, "Abb"},    {GoodField::Cost, "Cost"},
    {GoodField::Mass, "M"},          {GoodField::Type, "TYP"},    {GoodField::Code, "COD"},
    {GoodField::Maker, "Firma"},     {GoodField::Group, "Gruppa"}};

} // namespace

GoodsWritten SqliteCatalogue::writeGoods(const QList<CatalogueGood> &goods,
                                         const GoodsWriteOptions &options,
                                         const std::function<void(int done, int total)> &progress)
{
    // The columns the write gives, and what a new good holds in each: the
    // value given, else nothing (no price, empty texts).
    QStringList given;
    QStringList newValues;
    for (const DescriptionColumn &column : kDescriptionColumns) {
        const QString name = QLatin1String(column.name);
        if (options.fields.testFlag(column.field)) {
            given << name;
            newValues << name;
        } else {
            newValues << (column.field == GoodField::Cost ? QStringLiteral("NULL")
                                                          : QStringLiteral("''"));
        }
    }
    GoodsWritten written;
    const auto disconnect = connected(m_db);
    // The write dirties pages all over the file; they stay in memory until
    // the commit instead of being spilled and read back.
    m_db.exec(QStringLiteral("PRAGMA cache_size = -65536"));
    const int total = int(goods.size());
    m_db.inTransaction([&] {
        // The goods are staged by name key, then written by two statements,
        // whose triggers keep the keys (Schema). A statement of its own for
        // every good would copy each page it touches into its statement
        // journal; one statement for all of them copies each page once. A
        // name given twice keeps its first spelling and its last description.
        m_db.exec(QStringLiteral("CREATE TEMP TABLE written_goods (NameKey TEXT PRIMARY KEY, "
                                 "Name, Caption, Abb, Cost, M, TYP, COD, Firma, Gruppa)"));
        {
            Statement stage(
                m_db, QStringLiteral("INSERT INTO temp.written_goods VALUES "
                                     "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT (NameKey) DO "
                                     "UPDATE SET Caption = excluded.Caption, Abb = excluded.Abb, "
                                     "Cost = excluded.Cost, M = excluded.M, TYP = excluded.TYP, "
                                     "COD = excluded.COD, Firma = excluded.Firma, "
                                     "Gruppa = excluded.Gruppa"));
            for (int i = 0; i < total; ++i) {
                const CatalogueGood &good = goods[i];
                const QByteArray name = good.name.toUtf8();
                stage.bindUtf8(0, TextFolding::folded(
                                      std::string_view(name.constData(), size_t(name.size()))));
                stage.bind(1, good.name);
                bindDescription(stage, 2, good);
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
            m_db.exec(QStringLiteral("INSERT INTO dorvik_data (Name, Caption, Abb, Cost, M, TYP, "
                                     "COD, Firma, Gruppa) SELECT Name, %1 FROM temp.written_goods "
                                     "AS g WHERE NOT EXISTS (SELECT 1 FROM dorvik_data AS d WHERE "
                                     "d.NameKey = g.NameKey) ORDER BY g.rowid")
                          .arg(newValues.join(QStringLiteral(", "))));
            // The rows of that statement itself, not those of its triggers.
            written.added = m_db.scalar(QStringLiteral("SELECT changes()")).toInt();
        }
        written.goods = matched + written.added;
        m_db.exec(QStringLiteral("DROP TABLE temp.written_goods"));
    });
    return written;
}

void SqliteCatalogue::forEachGood(const std::function<void(const CatalogueGood &good)> &visit)
{
    const auto disconnect = connected(m_db);
    Statement select(
        m_db,
        QStringLiteral("SELECT %1 FROM dorvik_data AS d ORDER BY d.RowKey").arg(kGoodColumns));
    while (select.next())
        visit(goodAt(select, 0));
}
