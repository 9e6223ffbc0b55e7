#include "Statement.h"

#include "AppError.h"
#include "Database.h"

#include <QSqlDriver>
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
    : m_db(engineHandle(db)), m_file(db.file())
{
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &m_statement, nullptr) !=
        SQLITE_OK)
        fail();
}

Statement::~Statement()
{
    sqlite3_finalize(m_statement);
}

void Statement::fail() const
{
    throw AppError(
        QStringLiteral("Ошибка базы данных.\n") + QString::fromUtf8(sqlite3_errmsg(m_db)), m_file);
}

void Statement::bind(int place, const QString &value)
{
    if (value.isNull()) {
        bindNull(place);
        return;
    }
    if (sqlite3_bind_text16(m_statement, place + 1, value.utf16(), int(value.size() * 2),
                            SQLITE_TRANSIENT) != SQLITE_OK)
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
    else if (value.typeId() == QMetaType::Double)
        bind(place, value.toDouble());
    else if (value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int)
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

bool Statement::isNull(int column) const
{
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

QString Statement::text(int column) const
{
    const auto *data = static_cast<const char16_t *>(sqlite3_column_text16(m_statement, column));
    if (!data)
        return {};
    return QString::fromUtf16(data, sqlite3_column_bytes16(m_statement, column) / 2);
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
