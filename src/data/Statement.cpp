#include "Statement.h"

#include "AppError.h"
#include "Database.h"
#include "SqliteErrors.h"

#include <QSqlDriver>
#include <QStringDecoder>
#include <sqlite3.h>

namespace {

sqlite3 *engineHandle(const Database &db)
{
    if (!db.isOpen())
        throw AppError(QStringLiteral("База данных не открыта."), db.file());
    sqlite3 *engine = db.engine();
    if (!engine)
        throw AppError(QStringLiteral("Соединение не является базой SQLite."), db.file());
    return engine;
}

} // namespace

Statement::Statement(const Database &db, const QString &sql)
    : Statement(engineHandle(db), db.file(), sql)
{
}

Statement::Statement(sqlite3 *engine, const QString &file, const QString &sql)
    : m_db(engine), m_file(file)
{
    const QByteArray text = sql.toUtf8();
    const char *rest = nullptr;
    if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &m_statement, &rest) !=
        SQLITE_OK)
        fail();
    // The engine compiles the first statement only: a second one is refused,
    // as Qt SQL refuses it, rather than left out without a word.
    const QByteArrayView tail(rest, text.constData() + text.size() - rest);
    if (!tail.trimmed().isEmpty()) {
        sqlite3_finalize(m_statement);
        throw AppError(QStringLiteral("Ошибка базы данных.\nЗапрос содержит больше одного "
                                      "оператора."),
                       m_file);
    }
    m_texts.resize(size_t(sqlite3_bind_parameter_count(m_statement)));
}

Statement::~Statement()
{
    sqlite3_finalize(m_statement);
}

void Statement::fail() const
{
    throw AppError(QStringLiteral("Ошибка базы данных: %1.")
                       .arg(SqliteErrors::reason(sqlite3_extended_errcode(m_db),
                                                 QString::fromUtf8(sqlite3_errmsg(m_db)))),
                   m_file);
}

void Statement::bind(int place, const QString &value)
{
    if (value.isNull()) {
        bindNull(place);
        return;
    }
    // UTF-8, not UTF-16: the engine takes a leading U+FEFF of UTF-16 text for
    // a byte-order mark and drops it (or, as U+FFFE, swaps every byte pair).
    if (place < 0 || size_t(place) >= m_texts.size()) {
        bindNull(place); // a place the statement has not: the engine refuses it
        return;
    }
    // A text bound again to its place (a unit, group or maker that many rows
    // share) is converted once: the same QString shares its buffer.
    BoundText &bound = m_texts[size_t(place)];
    // Holding the source keeps its buffer from being changed in place.
    if (!bound.source.isSharedWith(value) || bound.source.constData() != value.constData() ||
        bound.source.size() != value.size()) {
        bound.source = value;
        // Into the place's own buffer, which after the first few rows is
        // large enough: no allocation a text. UTF-8 takes at most three
        // bytes for each UTF-16 unit.
        QStringEncoder encoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        bound.utf8.resize(value.size() * 3);
        char *end = encoder.appendToBuffer(bound.utf8.data(), value);
        bound.utf8.truncate(end - bound.utf8.constData());
    }
    const QByteArray &text = bound.utf8;
    if (sqlite3_bind_text(m_statement, place + 1, text.constData(), int(text.size()),
                          SQLITE_STATIC) != SQLITE_OK)
        fail();
}

void Statement::bindUtf8(int place, std::string_view value)
{
    // An empty view may point nowhere, which the engine would bind as NULL.
    if (sqlite3_bind_text64(m_statement, place + 1, value.empty() ? "" : value.data(), value.size(),
                            SQLITE_TRANSIENT, SQLITE_UTF8) != SQLITE_OK)
        fail();
}

void Statement::bind(int place, double value)
{
    if (sqlite3_bind_double(m_statement, place + 1, value) != SQLITE_OK)
        fail();
}

void Statement::bind(int place, qint64 value)
{
    if (sqlite3_bind_int64(m_statement, place + 1, value) != SQLITE_OK)
        fail();
}

void Statement::bindNull(int place)
{
    if (sqlite3_bind_null(m_statement, place + 1) != SQLITE_OK)
        fail();
}

void Statement::bind(int place, const QVariant &value)
{
    if (value.isNull())
        bindNull(place);
    else if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float)
        bind(place, value.toDouble());
    else if (value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int ||
             value.typeId() == QMetaType::UInt || value.typeId() == QMetaType::ULongLong ||
             value.typeId() == QMetaType::Bool)
        bind(place, value.toLongLong());
    else
        bind(place, value.toString());
}

bool Statement::next()
{
    if (m_done)
        return false;
    switch (sqlite3_step(m_statement)) {
    case SQLITE_ROW:
        return true;
    case SQLITE_DONE:
        m_done = true;
        return false;
    default:
        fail();
    }
}

void Statement::reset()
{
    sqlite3_reset(m_statement);
    m_done = false;
}

void Statement::run()
{
    while (next()) {
    }
    reset();
}

int Statement::columnCount() const
{
    return sqlite3_column_count(m_statement);
}

QString Statement::columnName(int column) const
{
    return QString::fromUtf8(sqlite3_column_name(m_statement, column));
}

bool Statement::isNull(int column) const
{
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

QString Statement::text(int column) const
{
    const auto *data = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
    if (!data)
        return {};
    const QByteArrayView bytes(data, sqlite3_column_bytes(m_statement, column));
    // QString::fromUtf8 drops a leading U+FEFF as a byte-order mark; a
    // decoder that keeps it costs more to make than most texts to decode.
    if (!bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes);
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless |
                                                       QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

std::string_view Statement::utf8(int column) const
{
    const auto *data = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
    return data ? std::string_view(data, size_t(sqlite3_column_bytes(m_statement, column)))
                : std::string_view();
}

double Statement::real(int column) const
{
    return sqlite3_column_double(m_statement, column);
}

qint64 Statement::integer(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

QVariant Statement::value(int column) const
{
    switch (sqlite3_column_type(m_statement, column)) {
    case SQLITE_NULL:
        return {};
    case SQLITE_INTEGER:
        return integer(column);
    case SQLITE_FLOAT:
        return real(column);
    default:
        return text(column);
    }
}
