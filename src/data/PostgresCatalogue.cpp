#include "PostgresCatalogue.h"

#include "AppError.h"
#include "Numbers.h"
#include "Schema.h"
#include "TextFolding.h"
#include "WrittenColumns.h"

#include <QHash>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUrlQuery>
#include <QUuid>
#include <algorithm>

// Address

bool ServerAddress::isServer(const QString &text)
{
    return text.startsWith(QStringLiteral("postgresql://"), Qt::CaseInsensitive) ||
           text.startsWith(QStringLiteral("postgres://"), Qt::CaseInsensitive);
}

ServerAddress ServerAddress::parse(const QString &text)
{
    const QUrl url(text, QUrl::StrictMode);
    const auto refuse = [&](const QString &why) {
        return AppError(QStringLiteral("Адрес каталога на сервере «%1» не подходит: %2. "
                                       "Нужен адрес вида postgresql://пользователь@сервер:порт/"
                                       "база.")
                            .arg(text, why));
    };
    if (!url.isValid() || !isServer(text))
        throw refuse(QStringLiteral("это не адрес PostgreSQL"));
    if (!url.password().isEmpty())
        throw refuse(QStringLiteral("в адресе есть пароль, а пароли в настройках не хранятся "
                                    "(его даёт файл ~/.pgpass или переменная PGPASSWORD)"));
    ServerAddress address;
    address.text = text;
    address.user = url.userName();
    address.host = url.host();
    address.port = url.port(0);
    address.database = url.path().mid(1);
    const QUrlQuery query(url);
    for (const auto &[key, value] : query.queryItems(QUrl::FullyDecoded)) {
        if (key == QStringLiteral("host"))
            address.host = value;
        else if (key == QStringLiteral("port"))
            address.port = value.toInt();
        else if (key == QStringLiteral("user"))
            address.user = value;
        else if (key == QStringLiteral("dbname"))
            address.database = value;
        else if (key == QStringLiteral("password"))
            throw refuse(QStringLiteral("в адресе есть пароль, а пароли в настройках не "
                                        "хранятся (его даёт файл ~/.pgpass или переменная "
                                        "PGPASSWORD)"));
    }
    if (address.database.isEmpty() || address.database.contains(u'/'))
        throw refuse(QStringLiteral("не указана база данных"));
    return address;
}

QString ServerAddress::described() const
{
    const QString server = host.isEmpty() ? QStringLiteral("localhost") : host;
    return QStringLiteral("база «%1» на сервере %2%3")
        .arg(database, server, port ? QStringLiteral(":") + QString::number(port) : QString());
}

namespace {

// The columns of a good as the table holds them, in the order of
// CatalogueGood.
const QString kGoodColumns =
    QStringLiteral("d.name, d.caption, d.abb, d.cost, d.m, d.typ, d.cod, d.firma, d.gruppa");

// Locks that keep writers of the whole catalogue in line: the schema's
// creation, and writes of goods by name, so that two designers adding the
// same new good at once add it once.
constexpr qint64 kSchemaLock = 0x6b76'0001;
constexpr qint64 kWriteLock = 0x6b76'0002;

// A batch of values sent as one array, which costs one exchange with the
// server rather than one a value.
constexpr int kBatch = 2000;

QString textAt(const QSqlQuery &query, int column)
{
    const QVariant value = query.value(column);
    if (value.isNull())
        return {};
    const QString text = value.toString();
    return text.isNull() ? QStringLiteral("") : text;
}

CatalogueGood goodAt(const QSqlQuery &query, int first)
{
    return {textAt(query, first),     textAt(query, first + 1), textAt(query, first + 2),
            query.value(first + 3),   textAt(query, first + 4), textAt(query, first + 5),
            textAt(query, first + 6), textAt(query, first + 7), textAt(query, first + 8)};
}

// A text bound as itself, a null text as NULL.
QVariant textValue(const QString &text)
{
    return text.isNull() ? QVariant(QMetaType::fromType<QString>()) : QVariant(text);
}

// A price as the server keeps it, a number or none; a price given as text
// is read as the program reads numbers.
std::optional<double> priceOf(const CatalogueGood &good)
{
    const QVariant &cost = good.cost;
    if (cost.isNull() || cost.toString().isEmpty())
        return std::nullopt;
    if (cost.typeId() == QMetaType::QString) {
        if (const auto value = Numbers::parse(cost.toString()))
            return value;
        throw AppError(
            QStringLiteral("Цена товара «%1» не число: «%2».").arg(good.name, cost.toString()));
    }
    return cost.toDouble();
}

// A PostgreSQL array of texts written out, to be bound as one value and
// cast to text[]: every element quoted, a null text as NULL.
class ArrayText {
public:
    void add(const QString &text)
    {
        m_text += m_text.isEmpty() ? u'{' : u',';
        if (text.isNull()) {
            m_text += QStringLiteral("NULL");
            return;
        }
        m_text += u'"';
        for (const QChar c : text) {
            if (c == u'"' || c == u'\\')
                m_text += u'\\';
            m_text += c;
        }
        m_text += u'"';
    }
    void add(std::optional<double> number)
    {
        m_text += m_text.isEmpty() ? u'{' : u',';
        m_text += number ? QString::number(*number, 'g', 17) : QStringLiteral("NULL");
    }
    QString text() const { return m_text.isEmpty() ? QStringLiteral("{}") : m_text + u'}'; }

private:
    QString m_text;
};

// A LIKE pattern that finds part anywhere, its own signs taken as letters.
QString containing(const QString &part)
{
    QString escaped;
    for (const QChar c : part) {
        if (c == u'%' || c == u'_' || c == u'\\')
            escaped += u'\\';
        escaped += c;
    }
    return u'%' + escaped + u'%';
}

struct GoodsWhere {
    QStringList conditions;
    QVariantList values;
};

// The 1- and 2-letter sequences of a description's search key, as the index
// dorvik_data_captionparts holds them: every letter, and every pair of
// neighbouring letters, taken by two passes of pairs (from the first letter
// and from the second) each pair closed by U+0001. A key that holds U+0001
// itself loses its pairs with it, which only a word with U+0001 asks for;
// such a word is searched without the index.
const QString kShortParts = QStringLiteral(
    "CREATE OR REPLACE FUNCTION kvintor_short_parts(key text) RETURNS text[] LANGUAGE sql "
    "IMMUTABLE STRICT PARALLEL SAFE RETURN string_to_array(key, NULL) || "
    "string_to_array(regexp_replace(key, '(..)', E'\\\\1\\x01', 'g'), E'\\x01') || "
    "string_to_array(regexp_replace(substr(key, 2), '(..)', E'\\\\1\\x01', 'g'), E'\\x01')");
const QString kShortPartsIndex =
    QStringLiteral("CREATE INDEX dorvik_data_captionparts ON dorvik_data USING gin "
                   "(kvintor_short_parts(captionkey))");

// The search keys are matched by LIKE, which the trigram indexes serve; a
// word of one or two letters, which makes no trigram, first by the index of
// short sequences, where the server has it.
GoodsWhere whereOf(const GoodsCriteria &criteria, bool shortParts)
{
    GoodsWhere where;
    if (criteria.group) {
        where.conditions << QStringLiteral("gruppakey = ?");
        where.values << TextFolding::folded(*criteria.group);
    }
    const auto contains = [&](const char *key, const QString &part) {
        const QString searched = TextFolding::searchKey(part);
        // Fewer than three letters make no trigram: the index would be read
        // whole and every good it names fetched again; a pass over the goods
        // in their order is quicker, and stops at the page's last good.
        where.conditions << (searched.size() < 3 ? QStringLiteral("strpos(%1, ?) > 0")
                                                 : QStringLiteral("%1 LIKE ?"))
                                .arg(QLatin1String(key));
        where.values << (searched.size() < 3 ? searched : containing(searched));
    };
    for (const QString &word : criteria.words) {
        if (word.isEmpty())
            continue;
        // The index names every good that holds the letters, and a few more
        // where a key holds U+0001; the text itself is matched after it, so
        // that the goods found are those the key holds, in their order. The
        // server's statistics of the index tell whether it is worth reading,
        // or whether a pass in the goods' order finds a page sooner.
        const QString searched = TextFolding::searchKey(word);
        const qsizetype letters = searched.toUcs4().size();
        if (shortParts && letters <= 2 && !searched.contains(QChar(1))) {
            where.conditions << QStringLiteral(
                "kvintor_short_parts(captionkey) @> ARRAY[CAST(? AS text)]");
            where.values << searched;
        }
        contains("captionkey", word);
    }
    if (criteria.words.contains(QString()))
        where.conditions << QStringLiteral("caption IS NOT NULL");
    if (!criteria.type.isEmpty())
        contains("typkey", criteria.type);
    if (!criteria.maker.isEmpty())
        contains("firmakey", criteria.maker);
    return where;
}

constexpr std::initializer_list<DescriptionColumn> kDescriptionColumns = {
    {GoodField::Caption, "caption", "captionkey"},
    {GoodField::Unit, "abb", nullptr},
    {GoodField::Cost, "cost", nullptr},
    {GoodField::Mass, "m", nullptr},
    {GoodField::Type, "typ", "typkey"},
    {GoodField::Code, "cod", nullptr},
    {GoodField::Maker, "firma", "firmakey"},
    {GoodField::Group, "gruppa", "gruppakey"}};

// The staging table's columns, which every good written in bulk fills, in
// the order of the arrays bound by stage().
const QString kStagedColumns =
    QStringLiteral("ord, name, caption, abb, cost, m, typ, cod, firma, gruppa, "
                   "namekey, gruppakey, captionkey, typkey, firmakey");
const QString kStagedArrays =
    QStringLiteral("CAST(? AS integer[]), CAST(? AS text[]), CAST(? AS text[]), "
                   "CAST(? AS text[]), CAST(? AS double precision[]), CAST(? AS text[]), "
                   "CAST(? AS text[]), CAST(? AS text[]), CAST(? AS text[]), CAST(? AS text[]), "
                   "CAST(? AS text[]), CAST(? AS text[]), CAST(? AS text[]), CAST(? AS text[]), "
                   "CAST(? AS text[])");

} // namespace

// The connection and the statements on it. A statement's failure throws
// AppError naming the server; a failure also drops the connection when it
// was lost, so that the next call connects again.
class PostgresCatalogue::Connection {
public:
    Connection(const ServerAddress &address, const QString &name) : m_address(address), m_name(name)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_name);
        if (!db.isValid())
            throw AppError(QStringLiteral("Нет драйвера PostgreSQL для Qt (QPSQL): каталог на "
                                          "сервере недоступен. Установите пакет "
                                          "libqt6sql6-psql."));
        db.setHostName(address.host);
        if (address.port)
            db.setPort(address.port);
        db.setDatabaseName(address.database);
        db.setUserName(address.user);
        db.setConnectOptions(
            QStringLiteral("connect_timeout=5;application_name=kvintor;client_encoding=UTF8"));
    }
    ~Connection()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(m_name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }

    QSqlDatabase database() const { return QSqlDatabase::database(m_name, false); }

    // Whether the catalogue has the index of short sequences; known once
    // connected.
    bool hasShortParts() const { return m_shortParts; }

    // Connects, and readies the schema at the first connection.
    void open()
    {
        QSqlDatabase db = database();
        if (db.isOpen())
            return;
        if (!db.open())
            throw AppError(QStringLiteral("Не удалось подключиться к серверу каталога (%1): %2")
                               .arg(m_address.described(), db.lastError().text().simplified()));
        if (!m_schemaReady) {
            readySchema();
            m_shortParts = exists("dorvik_data_captionparts");
            m_schemaReady = true;
        }
        fillKeys();
    }

    QSqlQuery exec(const QString &sql, const QVariantList &values = {}, bool forwardOnly = false)
    {
        open();
        QSqlQuery query(database());
        query.setForwardOnly(forwardOnly);
        if (values.isEmpty() ? !query.exec(sql)
                             : !(query.prepare(sql) && (bindAll(query, values), query.exec())))
            fail(query.lastError());
        return query;
    }

    // Rows read one at a time (forward only) end early, without a word,
    // when the connection is lost while one is awaited: the error the
    // driver keeps is what tells an end from a loss.
    void checkRowsEnded(const QSqlQuery &query)
    {
        if (query.lastError().type() != QSqlError::NoError)
            fail(query.lastError());
    }

    QVariant scalar(const QString &sql, const QVariantList &values = {})
    {
        QSqlQuery query = exec(sql, values);
        return query.next() ? query.value(0) : QVariant();
    }

    // Runs work in one transaction; nothing of it is kept when it fails.
    template <typename Work> void write(Work work)
    {
        open();
        QSqlDatabase db = database();
        if (!db.transaction())
            fail(db.lastError());
        m_writing = true;
        const auto written = qScopeGuard([this] { m_writing = false; });
        try {
            work();
        } catch (const StaleWrite &) {
            db.rollback();
            throw;
        } catch (const AppError &error) {
            // A connection lost has taken the transaction with it.
            if (!db.isOpen())
                throw;
            db.rollback();
            if (error.message().contains(QStringLiteral("Ничего")))
                throw;
            throw AppError(error.message() + QStringLiteral(" Ничего из этой записи в каталог "
                                                            "не записано."));
        } catch (...) {
            db.rollback();
            throw;
        }
        if (!db.commit())
            fail(db.lastError(), true);
    }

    // Locks the group order's version until the write ends, and refuses the
    // write when someone else has changed the order since readVersion.
    void checkGroupOrder(qint64 readVersion)
    {
        const qint64 version =
            scalar(QStringLiteral("SELECT group_order_version FROM kvintor_schema FOR UPDATE"))
                .toLongLong();
        if (readVersion != 0 && version != readVersion)
            throw StaleWrite(QStringLiteral("Порядок групп изменил другой пользователь, после того "
                                            "как вы его прочитали. Ничего из этой записи в "
                                            "каталог не записано."));
    }

    // Marks the group order changed; returns its new version.
    qint64 groupOrderChanged()
    {
        return scalar(QStringLiteral("UPDATE kvintor_schema SET group_order_version = "
                                     "group_order_version + 1 RETURNING group_order_version"))
            .toLongLong();
    }

    // Runs work in one read-only transaction, so that it sees one snapshot.
    template <typename Work> void read(Work work)
    {
        open();
        QSqlDatabase db = database();
        if (!db.transaction())
            fail(db.lastError());
        try {
            exec(QStringLiteral("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY"));
            work();
            if (!db.commit())
                fail(db.lastError());
        } catch (...) {
            db.rollback();
            throw;
        }
    }

private:
    static void bindAll(QSqlQuery &query, const QVariantList &values)
    {
        for (int place = 0; place < values.size(); ++place)
            query.bindValue(place, values[place]);
    }

    // committing: the error ended the commit of a write, which the server
    // may have made or not, but never in part.
    [[noreturn]] void fail(const QSqlError &error, bool committing = false)
    {
        QSqlDatabase db = database();
        const QString why = error.text().simplified();
        // A connection the server dropped answers nothing more; the next call
        // makes a new one.
        if (lost(error)) {
            db.close();
            if (committing)
                throw AppError(QStringLiteral("Связь с сервером каталога (%1) потеряна, когда "
                                              "запись завершалась: %2. Сервер сделал её целиком "
                                              "или не сделал вовсе, но не наполовину; прочитайте "
                                              "базу товара заново и посмотрите, записана ли она.")
                                   .arg(m_address.described(), why));
            if (m_writing)
                throw AppError(QStringLiteral("Связь с сервером каталога (%1) потеряна: %2. "
                                              "Ничего из этой записи в каталог не записано.")
                                   .arg(m_address.described(), why));
            throw AppError(QStringLiteral("Связь с сервером каталога (%1) потеряна: %2.")
                               .arg(m_address.described(), why));
        }
        if (committing)
            throw AppError(QStringLiteral("Сервер каталога (%1) отказал: %2. Ничего из этой "
                                          "записи в каталог не записано.")
                               .arg(m_address.described(), why));
        throw AppError(
            QStringLiteral("Сервер каталога (%1) отказал: %2").arg(m_address.described(), why));
    }

    // Whether error came of the connection going, not of the statement: the
    // codes the server sends when it ends a connection, or no code at all,
    // which is the client's own word, while the connection no longer
    // answers. The server's messages are in the user's language, so the
    // codes decide, not the texts.
    bool lost(const QSqlError &error)
    {
        const QString state = error.nativeErrorCode();
        if (error.type() == QSqlError::ConnectionError || state.startsWith(QStringLiteral("08")) ||
            state.startsWith(QStringLiteral("57P0")))
            return true;
        if (!state.isEmpty())
            return false;
        QSqlQuery probe(database());
        return !probe.exec(QStringLiteral("SELECT 1")) &&
               probe.lastError().nativeErrorCode().isEmpty();
    }

    bool exists(const char *table)
    {
        QSqlQuery query(database());
        query.prepare(QStringLiteral("SELECT to_regclass(?) IS NOT NULL"));
        query.bindValue(0, QLatin1String(table));
        if (!query.exec() || !query.next())
            fail(query.lastError());
        return query.value(0).toBool();
    }

    // Makes the schema on an empty database, under a lock so that two
    // programs starting at once make it once; refuses a database whose
    // schema this program does not know.
    void readySchema()
    {
        QSqlDatabase db = database();
        if (!db.transaction())
            fail(db.lastError());
        const auto rollBack = [&] { db.rollback(); };
        try {
            run(QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(kSchemaLock));
            if (exists("kvintor_schema")) {
                QSqlQuery query(database());
                if (!query.exec(QStringLiteral("SELECT version FROM kvintor_schema")))
                    fail(query.lastError());
                const int version = query.next() ? query.value(0).toInt() : 0;
                if (version != kSchemaVersion)
                    throw AppError(QStringLiteral("Каталог на сервере (%1) имеет схему версии "
                                                  "%2, а эта программа знает только версию %3. "
                                                  "Обновите программу или укажите другую базу.")
                                       .arg(m_address.described())
                                       .arg(version)
                                       .arg(kSchemaVersion));
                addShortParts();
            } else if (exists("dorvik_data") || exists("dorvik_gruppa")) {
                throw AppError(QStringLiteral("В базе данных на сервере (%1) уже есть таблицы "
                                              "dorvik_data или dorvik_gruppa, но не каталога "
                                              "этой программы (нет таблицы kvintor_schema). "
                                              "Укажите пустую базу данных.")
                                   .arg(m_address.described()));
            } else {
                createSchema();
            }
            if (!db.commit())
                fail(db.lastError());
        } catch (...) {
            rollBack();
            throw;
        }
    }

    // A catalogue made by an earlier version gets the index of short
    // sequences once, by its owner; for another user the searches go on
    // without it.
    void addShortParts()
    {
        if (exists("dorvik_data_captionparts"))
            return;
        run(QStringLiteral("SAVEPOINT short_parts"));
        QSqlQuery query(database());
        if (query.exec(kShortParts) && query.exec(kShortPartsIndex))
            run(QStringLiteral("RELEASE SAVEPOINT short_parts"));
        else
            run(QStringLiteral("ROLLBACK TO SAVEPOINT short_parts"));
    }

    void run(const QString &sql)
    {
        QSqlQuery query(database());
        if (!query.exec(sql))
            fail(query.lastError());
    }

    void createSchema()
    {
        {
            QSqlQuery query(database());
            if (!query.exec(QStringLiteral("CREATE EXTENSION IF NOT EXISTS pg_trgm")))
                throw AppError(
                    QStringLiteral("На сервере каталога (%1) не удалось включить расширение "
                                   "pg_trgm, без которого поиск товаров медленный: %2. "
                                   "Администратор сервера может включить его командой "
                                   "CREATE EXTENSION pg_trgm в этой базе.")
                        .arg(m_address.described(), query.lastError().text().simplified()));
        }
        // Keys are NULL in rows that other tools write; the program fills
        // them when it next connects.
        const char *statements[] = {
            "CREATE TABLE kvintor_schema (version integer NOT NULL, "
            "group_order_version bigint NOT NULL DEFAULT 1)",
            "CREATE TABLE dorvik_data (rowkey bigserial PRIMARY KEY, name text, caption text, "
            "abb text, cost double precision, m text, typ text, cod text, firma text, "
            "gruppa text, namekey text, gruppakey text, captionkey text, typkey text, "
            "firmakey text, version bigint NOT NULL DEFAULT 1)",
            "CREATE INDEX dorvik_data_namekey ON dorvik_data (namekey)",
            "CREATE INDEX dorvik_data_gruppakey ON dorvik_data (gruppakey, rowkey)",
            "CREATE INDEX dorvik_data_captionkey ON dorvik_data USING gin "
            "(captionkey gin_trgm_ops)",
            "CREATE INDEX dorvik_data_typkey ON dorvik_data USING gin (typkey gin_trgm_ops)",
            "CREATE INDEX dorvik_data_firmakey ON dorvik_data USING gin (firmakey gin_trgm_ops)",
            "CREATE TABLE dorvik_gruppa (id bigserial PRIMARY KEY, numb integer, "
            "name_gruppa text)"};
        for (const char *statement : statements)
            run(QLatin1String(statement));
        run(kShortParts);
        run(kShortPartsIndex);
        run(QStringLiteral("INSERT INTO kvintor_schema (version) VALUES (%1)").arg(kSchemaVersion));
    }

    // Gives the goods that other tools added their keys, in batches.
    void fillKeys()
    {
        for (;;) {
            QSqlQuery select(database());
            if (!select.exec(QStringLiteral("SELECT rowkey, name, gruppa, caption, typ, firma "
                                            "FROM dorvik_data WHERE namekey IS NULL LIMIT %1")
                                 .arg(kBatch)))
                fail(select.lastError());
            ArrayText rows, name, group, caption, type, maker;
            int count = 0;
            while (select.next()) {
                const Schema::GoodKeys keys =
                    Schema::keysOf(textAt(select, 1), textAt(select, 2), textAt(select, 3),
                                   textAt(select, 4), textAt(select, 5));
                rows.add(select.value(0).toString());
                name.add(keys.name);
                group.add(keys.group);
                caption.add(keys.caption);
                type.add(keys.type);
                maker.add(keys.maker);
                ++count;
            }
            if (count == 0)
                return;
            QSqlQuery update(database());
            update.prepare(QStringLiteral(
                "UPDATE dorvik_data AS d SET namekey = k.n, gruppakey = k.g, captionkey = k.c, "
                "typkey = k.t, firmakey = k.f FROM unnest(CAST(? AS bigint[]), "
                "CAST(? AS text[]), CAST(? AS text[]), CAST(? AS text[]), CAST(? AS text[]), "
                "CAST(? AS text[])) AS k(r, n, g, c, t, f) WHERE d.rowkey = k.r"));
            bindAll(update, {rows.text(), name.text(), group.text(), caption.text(), type.text(),
                             maker.text()});
            if (!update.exec())
                fail(update.lastError());
        }
    }

    const ServerAddress m_address;
    const QString m_name;
    bool m_schemaReady = false;
    bool m_shortParts = false;
    bool m_writing = false;
};

PostgresCatalogue::PostgresCatalogue(const ServerAddress &address)
    : m_address(address), m_connectionName(QStringLiteral("catalogue-server-") +
                                           QUuid::createUuid().toString(QUuid::WithoutBraces))
{
}

PostgresCatalogue::~PostgresCatalogue() = default;

PostgresCatalogue::Connection &PostgresCatalogue::connection()
{
    if (!m_connection)
        m_connection = std::make_unique<Connection>(m_address, m_connectionName);
    return *m_connection;
}

namespace {

// The places of names by their folded keys; an empty name names no good.
QHash<QString, QList<qsizetype>> placesByKey(const QStringList &names)
{
    QHash<QString, QList<qsizetype>> placesOf;
    for (qsizetype i = 0; i < names.size(); ++i)
        if (!names[i].isEmpty())
            placesOf[TextFolding::folded(names[i])] << i;
    return placesOf;
}

// Asks for keys kBatch at a time, each batch one array for the server.
void forEachBatch(const QStringList &keys, const std::function<void(const ArrayText &batch)> &ask)
{
    for (qsizetype first = 0; first < keys.size(); first += kBatch) {
        ArrayText batch;
        for (const QString &key : keys.mid(first, kBatch))
            batch.add(key);
        ask(batch);
    }
}

} // namespace

QList<std::optional<CatalogueGood>> PostgresCatalogue::find(const QStringList &names)
{
    QList<std::optional<CatalogueGood>> goods(names.size());
    const QHash<QString, QList<qsizetype>> placesOf = placesByKey(names);
    forEachBatch(placesOf.keys(), [&](const ArrayText &batch) {
        // Of goods that share a name, the one stored first counts.
        QSqlQuery select = connection().exec(
            QStringLiteral("SELECT DISTINCT ON (d.namekey) d.namekey, %1 FROM dorvik_data AS d "
                           "WHERE d.namekey = ANY (CAST(? AS text[])) "
                           "ORDER BY d.namekey, d.rowkey")
                .arg(kGoodColumns),
            {batch.text()}, true);
        while (select.next()) {
            const CatalogueGood good = goodAt(select, 1);
            for (const qsizetype place : placesOf.value(select.value(0).toString()))
                goods[place] = good;
        }
        connection().checkRowsEnded(select);
    });
    return goods;
}

std::unique_ptr<GoodsLookup> PostgresCatalogue::lookup()
{
    // The connection stays for the catalogue's life; a look-up asks no more.
    class Lookup : public GoodsLookup {
    public:
        explicit Lookup(PostgresCatalogue &catalogue) : m_catalogue(catalogue) {}
        QList<std::optional<CatalogueGood>> find(const QStringList &names) override
        {
            return m_catalogue.find(names);
        }

    private:
        PostgresCatalogue &m_catalogue;
    };
    return std::make_unique<Lookup>(*this);
}

std::unique_ptr<CatalogueHold> PostgresCatalogue::hold()
{
    connection().open();
    return std::make_unique<CatalogueHold>();
}

QList<QList<GoodVersion>> PostgresCatalogue::versionsOf(const QStringList &names)
{
    QList<QList<GoodVersion>> versions(names.size());
    const QHash<QString, QList<qsizetype>> placesOf = placesByKey(names);
    forEachBatch(placesOf.keys(), [&](const ArrayText &batch) {
        // Read whole, so that a failure fails the statement rather than
        // ending its rows early.
        QSqlQuery select = connection().exec(
            QStringLiteral("SELECT namekey, rowkey, version FROM dorvik_data "
                           "WHERE namekey = ANY (CAST(? AS text[])) ORDER BY rowkey"),
            {batch.text()});
        while (select.next()) {
            const GoodVersion version{select.value(1).toLongLong(), select.value(2).toLongLong()};
            for (const qsizetype place : placesOf.value(select.value(0).toString()))
                versions[place] << version;
        }
    });
    return versions;
}

QList<StoredGood> PostgresCatalogue::findGoods(const GoodsCriteria &criteria, qint64 after,
                                               int limit)
{
    Connection &server = connection();
    server.open();
    GoodsWhere where = whereOf(criteria, server.hasShortParts());
    where.conditions << QStringLiteral("d.rowkey > ?");
    where.values << after << qint64(limit);
    QSqlQuery select =
        server.exec(QStringLiteral("SELECT d.rowkey, d.version, %1 FROM dorvik_data AS d WHERE %2 "
                                   "ORDER BY d.rowkey LIMIT ?")
                        .arg(kGoodColumns, where.conditions.join(QStringLiteral(" AND "))),
                    where.values, true);
    QList<StoredGood> goods;
    while (select.next())
        goods.append(
            {select.value(0).toLongLong(), goodAt(select, 2), select.value(1).toLongLong()});
    server.checkRowsEnded(select);
    return goods;
}

int PostgresCatalogue::countGoods(const GoodsCriteria &criteria)
{
    Connection &server = connection();
    server.open();
    const GoodsWhere where = whereOf(criteria, server.hasShortParts());
    return server
        .scalar(
            QStringLiteral("SELECT COUNT(*) FROM dorvik_data") +
                (where.conditions.isEmpty()
                     ? QString()
                     : QStringLiteral(" WHERE ") + where.conditions.join(QStringLiteral(" AND "))),
            where.values)
        .toInt();
}

QList<NamesakeGoods> PostgresCatalogue::namesakes()
{
    QSqlQuery select = connection().exec(
        QStringLiteral("SELECT d.rowkey, d.namekey, d.version, %1 FROM dorvik_data AS d WHERE "
                       "d.namekey IN (SELECT namekey FROM dorvik_data WHERE namekey <> '' "
                       "GROUP BY namekey HAVING COUNT(*) > 1) ORDER BY d.rowkey")
            .arg(kGoodColumns),
        {}, true);
    QList<NamesakeGoods> sets;
    QHash<QString, qsizetype> placeOfKey;
    while (select.next()) {
        const QString key = select.value(1).toString();
        auto place = placeOfKey.constFind(key);
        if (place == placeOfKey.constEnd()) {
            place = placeOfKey.insert(key, sets.size());
            sets.append(NamesakeGoods());
        }
        sets[*place].append(
            {select.value(0).toLongLong(), goodAt(select, 3), select.value(2).toLongLong()});
    }
    connection().checkRowsEnded(select);
    return sets;
}

namespace {

// The values of a good's columns and keys, in the order of kStagedColumns
// after ord.
QVariantList rowOf(const CatalogueGood &good)
{
    const Schema::GoodKeys keys =
        Schema::keysOf(good.name, good.group, good.caption, good.type, good.maker);
    const std::optional<double> price = priceOf(good);
    return {textValue(good.name),
            textValue(good.caption),
            textValue(good.unit),
            price ? QVariant(*price) : QVariant(QMetaType::fromType<double>()),
            textValue(good.mass),
            textValue(good.type),
            textValue(good.code),
            textValue(good.maker),
            textValue(good.group),
            keys.name,
            keys.group,
            keys.caption,
            keys.type,
            keys.maker};
}

const QString kRowColumns = QStringLiteral(
    "name, caption, abb, cost, m, typ, cod, firma, gruppa, namekey, gruppakey, captionkey, "
    "typkey, firmakey");

} // namespace

qint64 PostgresCatalogue::addGood(const CatalogueGood &good)
{
    Connection &server = connection();
    qint64 key = 0;
    server.write([&] {
        // After a write by name that is under way, which has checked the
        // goods of its names and would otherwise pass over this one.
        server.exec(QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(kWriteLock));
        key = server
                  .scalar(QStringLiteral("INSERT INTO dorvik_data (%1) VALUES "
                                         "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) "
                                         "RETURNING rowkey")
                              .arg(kRowColumns),
                          rowOf(good))
                  .toLongLong();
    });
    return key;
}

namespace {

// Why a change of a good read earlier is refused: someone else changed the
// good since, or removed it.
[[noreturn]] void refuseStale(const StoredGood &read, bool removed)
{
    throw StaleWrite(
        (removed ? QStringLiteral("Товар «%1» удалил другой пользователь, после того как вы его "
                                  "прочитали.")
                 : QStringLiteral("Товар «%1» изменил другой пользователь, после того как вы "
                                  "его прочитали."))
            .arg(read.good.name) +
        QStringLiteral(" Ваше изменение не записано."));
}

// Why a write by name planned from goods read earlier is refused: someone
// else changed, removed or added goods of these names since.
[[noreturn]] void refuseStaleGoods(const QStringList &names)
{
    constexpr qsizetype kNamed = 5;
    QStringList named;
    for (const QString &name : names.mid(0, kNamed))
        named << QStringLiteral("«%1»").arg(name);
    QString listed = named.join(QStringLiteral(", "));
    if (names.size() > kNamed)
        listed += QStringLiteral(" и ещё %1").arg(names.size() - kNamed);
    throw StaleWrite(
        (names.size() == 1
             ? QStringLiteral("Товар %1 изменил другой пользователь, после того как его прочитали")
             : QStringLiteral("Товары %1 изменил другой пользователь, после того как их "
                              "прочитали"))
            .arg(listed) +
        QStringLiteral(" (товар с таким именем блока изменён, удалён или добавлен). Ничего из "
                       "этой записи в каталог не записано."));
}

} // namespace

qint64 PostgresCatalogue::updateGood(const StoredGood &read, const CatalogueGood &good)
{
    QVariantList values = rowOf(good);
    values << read.key << read.version << read.version;
    Connection &server = connection();
    QVariant version;
    // One statement, but in a write of its own, so that a connection lost
    // on the way tells whether the change was made.
    server.write([&] {
        version = server.scalar(QStringLiteral("UPDATE dorvik_data SET (%1) = "
                                               "ROW(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?), "
                                               "version = version + 1 WHERE rowkey = ? AND "
                                               "(CAST(? AS bigint) = 0 OR version = ?) "
                                               "RETURNING version")
                                    .arg(kRowColumns),
                                values);
        if (version.isNull())
            refuseStale(read, server
                                  .scalar(QStringLiteral("SELECT 1 FROM dorvik_data WHERE "
                                                         "rowkey = ?"),
                                          {read.key})
                                  .isNull());
    });
    return version.toLongLong();
}

void PostgresCatalogue::removeGood(const StoredGood &read)
{
    Connection &server = connection();
    server.write([&] {
        const QVariant removed =
            server.scalar(QStringLiteral("DELETE FROM dorvik_data WHERE rowkey = ? AND "
                                         "(CAST(? AS bigint) = 0 OR version = ?) RETURNING rowkey"),
                          {read.key, read.version, read.version});
        // A good already gone is as the user wanted it.
        if (removed.isNull() &&
            !server.scalar(QStringLiteral("SELECT 1 FROM dorvik_data WHERE rowkey = ?"), {read.key})
                 .isNull())
            refuseStale(read, false);
    });
}

GoodsWritten PostgresCatalogue::writeGoods(const QList<CatalogueGood> &goods,
                                           const std::function<void(int done, int total)> &progress)
{
    return writeGoods(goods, GoodsWriteOptions{}, progress);
}

namespace {

// Goods for the staging table, in arrays of kBatch.
class StagedGoods {
public:
    void add(int order, const CatalogueGood &good)
    {
        if (m_count % kBatch == 0)
            m_batches.append(QList<ArrayText>(15));
        QList<ArrayText> &arrays = m_batches.last();
        arrays[0].add(std::optional<double>(order));
        const QVariantList row = rowOf(good);
        for (int column = 0; column < row.size(); ++column) {
            if (column == 3)
                arrays[column + 1].add(row[column].isNull()
                                           ? std::nullopt
                                           : std::optional<double>(row[column].toDouble()));
            else
                arrays[column + 1].add(row[column].isNull() ? QString() : row[column].toString());
        }
        ++m_count;
    }
    // Sends every batch into table by statement, whose places take the arrays.
    template <typename Exec> void send(Exec exec) const
    {
        for (const QList<ArrayText> &arrays : m_batches) {
            QVariantList values;
            for (const ArrayText &array : arrays)
                values << array.text();
            exec(values);
        }
    }

private:
    QList<QList<ArrayText>> m_batches;
    int m_count = 0;
};

} // namespace

GoodsWritten PostgresCatalogue::writeGoods(const QList<CatalogueGood> &goods,
                                           const GoodsWriteOptions &options,
                                           const std::function<void(int done, int total)> &progress)
{
    // A name given twice keeps its first spelling and its last description.
    QList<CatalogueGood> distinct;
    // The goods of each distinct name as the write was planned from them.
    QList<QList<GoodVersion>> seen;
    QHash<QString, qsizetype> placeOf;
    const int total = int(goods.size());
    for (int i = 0; i < total; ++i) {
        const CatalogueGood &good = goods[i];
        const QString key = TextFolding::folded(good.name);
        const auto known = placeOf.constFind(key);
        if (known == placeOf.constEnd()) {
            placeOf.insert(key, distinct.size());
            distinct << good;
            if (options.seen)
                seen << options.seen->value(i);
        } else {
            const QString first = distinct[*known].name;
            distinct[*known] = good;
            distinct[*known].name = first;
        }
        if (progress)
            progress(i + 1, total);
    }
    StagedGoods staged;
    for (qsizetype i = 0; i < distinct.size(); ++i)
        staged.add(int(i), distinct[i]);

    const WrittenColumns touched(kDescriptionColumns, options.fields);
    const QStringList &given = touched.given;
    const QStringList &newColumns = touched.newColumns;
    const QStringList &newValues = touched.newValues;

    GoodsWritten written;
    Connection &server = connection();
    server.write([&] {
        // Writers of goods by name take turns, so that a new good two of them
        // add at once is added by the first and matched by the second.
        server.exec(QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(kWriteLock));
        server.exec(QStringLiteral("CREATE TEMP TABLE written_goods (ord integer, name text, "
                                   "caption text, abb text, cost double precision, m text, "
                                   "typ text, cod text, firma text, gruppa text, namekey text, "
                                   "gruppakey text, captionkey text, typkey text, firmakey text) "
                                   "ON COMMIT DROP"));
        staged.send([&](const QVariantList &values) {
            server.exec(QStringLiteral("INSERT INTO written_goods (%1) SELECT * FROM unnest(%2)")
                            .arg(kStagedColumns, kStagedArrays),
                        values);
        });
        server.exec(QStringLiteral("CREATE INDEX ON written_goods (namekey)"));
        server.exec(QStringLiteral("ANALYZE written_goods"));
        // A write planned from goods read earlier changes those goods only,
        // locked here until it ends, and only while they are as they were
        // read.
        QString checkedOnly;
        QVariantList checkedKeys;
        if (options.seen) {
            QList<QList<GoodVersion>> now(distinct.size());
            ArrayText keys;
            // Read whole: a connection lost while a row is awaited must fail
            // the statement, not end its rows early.
            QSqlQuery select = server.exec(
                QStringLiteral("SELECT g.ord, d.rowkey, d.version FROM written_goods AS g "
                               "JOIN dorvik_data AS d ON d.namekey = g.namekey "
                               "ORDER BY d.rowkey FOR UPDATE OF d"));
            while (select.next()) {
                now[select.value(0).toInt()]
                    << GoodVersion{select.value(1).toLongLong(), select.value(2).toLongLong()};
                keys.add(select.value(1).toString());
            }
            QStringList changed;
            for (qsizetype i = 0; i < distinct.size(); ++i)
                if (now[i] != seen[i])
                    changed << distinct[i].name;
            if (!changed.isEmpty())
                refuseStaleGoods(changed);
            checkedOnly = QStringLiteral(" AND d.rowkey = ANY (CAST(? AS bigint[]))");
            checkedKeys << keys.text();
        }
        if (!given.isEmpty()) {
            QStringList held, stored;
            for (const QString &column : std::as_const(given)) {
                held << QStringLiteral("g.") + column;
                stored << QStringLiteral("d.") + column;
            }
            server.exec(QStringLiteral("UPDATE dorvik_data AS d SET (%1) = ROW(%2), "
                                       "version = d.version + 1 FROM written_goods AS g "
                                       "WHERE g.namekey = d.namekey AND "
                                       "ROW(%3) IS DISTINCT FROM ROW(%2)%4")
                            .arg(given.join(QStringLiteral(", ")), held.join(QStringLiteral(", ")),
                                 stored.join(QStringLiteral(", ")), checkedOnly),
                        checkedKeys);
        }
        const int matched =
            server
                .scalar(QStringLiteral("SELECT COUNT(*) FROM written_goods AS g WHERE EXISTS "
                                       "(SELECT 1 FROM dorvik_data AS d WHERE d.namekey = "
                                       "g.namekey)"))
                .toInt();
        if (options.addNew) {
            QSqlQuery insert = server.exec(
                QStringLiteral("INSERT INTO dorvik_data (name, namekey, %1) SELECT name, "
                               "namekey, %2 FROM written_goods AS g WHERE NOT EXISTS "
                               "(SELECT 1 FROM dorvik_data AS d WHERE d.namekey = g.namekey) "
                               "ORDER BY g.ord")
                    .arg(newColumns.join(QStringLiteral(", ")),
                         newValues.join(QStringLiteral(", "))));
            written.added = insert.numRowsAffected();
        }
        written.goods = matched + written.added;
    });
    return written;
}

QStringList PostgresCatalogue::goodsGroups()
{
    // Ordered by the folded letters' code points, as the SQLite file orders
    // its keys, whatever the server's collation.
    QSqlQuery select = connection().exec(
        QStringLiteral("SELECT gruppa FROM (SELECT DISTINCT ON (gruppakey) gruppakey, gruppa "
                       "FROM dorvik_data WHERE gruppakey > '' ORDER BY gruppakey, rowkey) AS g "
                       "ORDER BY gruppakey COLLATE \"C\""));
    QStringList groups;
    while (select.next())
        groups << textAt(select, 0);
    return groups;
}

GroupOrderRead PostgresCatalogue::readGroupOrder()
{
    // The version with the names in one statement, so that they belong
    // together; an empty order is one row without a name.
    QSqlQuery select = connection().exec(
        QStringLiteral("SELECT s.group_order_version, g.name_gruppa FROM kvintor_schema AS s "
                       "LEFT JOIN dorvik_gruppa AS g ON true ORDER BY g.numb, g.id"));
    GroupOrderRead read;
    while (select.next()) {
        read.version = select.value(0).toLongLong();
        if (const QString name = textAt(select, 1); !name.isEmpty())
            read.groups << name;
    }
    return read;
}

QStringList PostgresCatalogue::groupsAlphabetical()
{
    QSqlQuery select =
        connection().exec(QStringLiteral("SELECT name_gruppa FROM dorvik_gruppa ORDER BY id"));
    QStringList groups;
    while (select.next())
        if (const QString name = textAt(select, 0); !name.isEmpty())
            groups << name;
    std::stable_sort(groups.begin(), groups.end(), [](const QString &a, const QString &b) {
        return TextFolding::folded(a) < TextFolding::folded(b);
    });
    return groups;
}

qint64 PostgresCatalogue::renameGroup(const QString &from, const QString &to, qint64 readVersion)
{
    Connection &server = connection();
    qint64 version = 0;
    server.write([&] {
        server.checkGroupOrder(readVersion);
        QSqlQuery select = server.exec(
            QStringLiteral("SELECT id, name_gruppa FROM dorvik_gruppa ORDER BY id FOR UPDATE"));
        while (select.next())
            if (TextFolding::equal(textAt(select, 1), from))
                server.exec(QStringLiteral("UPDATE dorvik_gruppa SET name_gruppa = ? WHERE id = ?"),
                            {to, select.value(0)});
        server.exec(QStringLiteral("UPDATE dorvik_data SET gruppa = ?, gruppakey = ?, "
                                   "version = version + 1 WHERE gruppakey = ?"),
                    {to, TextFolding::folded(to), TextFolding::folded(from)});
        version = server.groupOrderChanged();
    });
    return version;
}

std::optional<qint64> PostgresCatalogue::removeGroup(const QString &group, qint64 readVersion)
{
    Connection &server = connection();
    std::optional<qint64> version;
    server.write([&] {
        // Taken first, so that no good can take the group between the look
        // and the deletion.
        server.exec(QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(kWriteLock));
        server.checkGroupOrder(readVersion);
        if (!server
                 .scalar(QStringLiteral("SELECT 1 FROM dorvik_data WHERE gruppakey = ? LIMIT 1"),
                         {TextFolding::folded(group)})
                 .isNull())
            return;
        QSqlQuery select = server.exec(QStringLiteral("SELECT id, name_gruppa FROM dorvik_gruppa"));
        while (select.next())
            if (TextFolding::equal(textAt(select, 1), group))
                server.exec(QStringLiteral("DELETE FROM dorvik_gruppa WHERE id = ?"),
                            {select.value(0)});
        version = server.groupOrderChanged();
    });
    return version;
}

qint64 PostgresCatalogue::writeGroupOrder(const QStringList &groups, qint64 readVersion,
                                          const std::function<void(int done, int total)> &progress)
{
    const int total = int(groups.size());
    Connection &server = connection();
    qint64 version = 0;
    server.write([&] {
        server.checkGroupOrder(readVersion);
        QHash<QString, QList<qint64>> rowsOf;
        {
            QSqlQuery select =
                server.exec(QStringLiteral("SELECT id, name_gruppa FROM dorvik_gruppa FOR UPDATE"));
            while (select.next())
                rowsOf[TextFolding::folded(textAt(select, 1))] << select.value(0).toLongLong();
        }
        for (int i = 0; i < total; ++i) {
            const QString key = TextFolding::folded(groups[i]);
            const auto known = rowsOf.constFind(key);
            if (known != rowsOf.constEnd()) {
                for (const qint64 row : *known)
                    server.exec(QStringLiteral("UPDATE dorvik_gruppa SET numb = ? WHERE id = ?"),
                                {i, row});
            } else {
                const qint64 row =
                    server
                        .scalar(QStringLiteral("INSERT INTO dorvik_gruppa (numb, name_gruppa) "
                                               "VALUES (?, ?) RETURNING id"),
                                {i, groups[i]})
                        .toLongLong();
                // A name given twice is one group.
                rowsOf.insert(key, {row});
            }
            if (progress)
                progress(i + 1, total);
        }
        version = server.groupOrderChanged();
    });
    return version;
}

void PostgresCatalogue::forEachGood(const std::function<void(const CatalogueGood &good)> &visit)
{
    // The driver takes a statement's whole result into memory: a cursor
    // hands it over a page at a time, all from one snapshot.
    Connection &server = connection();
    server.read([&] {
        server.exec(QStringLiteral("DECLARE every_good NO SCROLL CURSOR FOR SELECT %1 FROM "
                                   "dorvik_data AS d ORDER BY d.rowkey")
                        .arg(kGoodColumns));
        for (;;) {
            QSqlQuery page =
                server.exec(QStringLiteral("FETCH %1 FROM every_good").arg(kBatch * 5), {}, true);
            int read = 0;
            while (page.next()) {
                visit(goodAt(page, 0));
                ++read;
            }
            server.checkRowsEnded(page);
            if (read < kBatch * 5)
                break;
        }
    });
}

void PostgresCatalogue::replaceAll(const GoodsFeed &feed, const QStringList &groups)
{
    Connection &server = connection();
    server.write([&] {
        server.exec(QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(kWriteLock));
        server.exec(QStringLiteral("DELETE FROM dorvik_data"));
        server.exec(QStringLiteral("DELETE FROM dorvik_gruppa"));
        // The goods go to the server a batch at a time as they come, so that
        // a whole catalogue never sits in memory.
        StagedGoods staged;
        int order = 0;
        const auto send = [&] {
            staged.send([&](const QVariantList &values) {
                server.exec(QStringLiteral("INSERT INTO dorvik_data (%1) SELECT %1 FROM "
                                           "unnest(%2) AS g(ord, %1) ORDER BY ord")
                                .arg(kRowColumns, kStagedArrays),
                            values);
            });
            staged = StagedGoods();
        };
        feed([&](const CatalogueGood &good) {
            staged.add(order++, good);
            if (order % kBatch == 0)
                send();
        });
        send();
        for (int i = 0; i < groups.size(); ++i)
            server.exec(
                QStringLiteral("INSERT INTO dorvik_gruppa (numb, name_gruppa) VALUES (?, ?)"),
                {i, groups[i]});
        server.exec(
            QStringLiteral("UPDATE kvintor_schema SET group_order_version = group_order_version "
                           "+ 1"));
    });
}
