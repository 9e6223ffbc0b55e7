#include "Database.h"

#include "AppError.h"
#include "Platform.h"
#include "RegularFile.h"
#include "Schema.h"
#include "SqliteErrors.h"
#include "Statement.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlRecord>
#include <QSqlResult>
#include <QUrl>
#include <sqlite3.h>

namespace {

// The rows of a statement run through Statement, which binds text as UTF-8
// (Qt SQL binds UTF-16, whose leading U+FEFF the engine drops as a byte-order
// mark), handed on as the QSqlQuery that callers know. They are read at once:
// the statement is finished before the caller sees a row, so that it holds
// no lock and never outlives the connection.
class StatementRows : public QSqlResult {
public:
    // Runs statement, its values bound, to its end.
    StatementRows(const QSqlDriver *driver, sqlite3 *engine, Statement &statement)
        : QSqlResult(driver)
    {
        for (int column = 0; column < statement.columnCount(); ++column)
            m_record.append(QSqlField(statement.columnName(column)));
        while (statement.next()) {
            QVariantList row;
            row.reserve(m_record.count());
            for (int column = 0; column < m_record.count(); ++column)
                row << statement.value(column);
            m_rows << std::move(row);
        }
        m_changes = sqlite3_changes(engine);
        setSelect(!m_record.isEmpty());
        setActive(true);
    }

protected:
    QVariant data(int column) override { return m_rows[at()].value(column); }
    bool isNull(int column) override { return data(column).isNull(); }
    // The rows are those of one run; there is nothing to run again.
    bool reset(const QString &) override { return false; }
    bool fetch(int row) override
    {
        if (row < 0 || row >= m_rows.size())
            return false;
        setAt(row);
        return true;
    }
    bool fetchFirst() override { return fetch(0); }
    bool fetchLast() override { return fetch(int(m_rows.size()) - 1); }
    int size() override { return int(m_rows.size()); }
    int numRowsAffected() override { return m_changes; }
    QSqlRecord record() const override { return m_record; }

private:
    QSqlRecord m_record;
    QList<QVariantList> m_rows;
    int m_changes = 0;
};

void bindAll(Statement &statement, const QVariantList &values)
{
    for (int place = 0; place < values.size(); ++place)
        statement.bind(place, values[place]);
}

} // namespace

Database::Database(QString connectionName) : m_connectionName(std::move(connectionName)) {}

Database::~Database()
{
    close();
    if (QSqlDatabase::contains(m_connectionName))
        QSqlDatabase::removeDatabase(m_connectionName);
}

void Database::setFile(const QString &path)
{
    if (path != m_file)
        close();
    m_file = path;
}

void Database::checkFile(const QString &path)
{
    RegularFile::require(path, QStringLiteral("Файл базы данных"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Файл базы данных нельзя прочитать: ") + file.errorString(),
                       path);
    const QByteArray head = file.read(32);
    // An Access database of the Jet engine (or its successor ACE) names its
    // format at offset 4.
    if (head.mid(4, 15) == "Standard Jet DB" || head.mid(4, 15) == "Standard ACE DB")
        throw AppError(QStringLiteral("Файл является базой данных Microsoft Access (Jet). "
                                      "Программа работает с базами SQLite: преобразуйте файл "
                                      "в формат SQLite."),
                       path);
    if (head.isEmpty())
        throw AppError(QStringLiteral("Файл базы данных пуст."), path);
    if (!head.startsWith(QByteArrayLiteral("SQLite format 3\0")))
        throw AppError(QStringLiteral("Файл не является базой данных SQLite."), path);
}

void Database::open()
{
    if (isOpen()) {
        // A connection held open keeps reading the file it opened; one that
        // a copy or an update put in its place since is read from now on,
        // unless a transaction is under way on the old one.
        sqlite3 *handle = engine();
        if (m_fileIdentity.isEmpty() || !handle || !sqlite3_get_autocommit(handle) ||
            Platform::fileIdentity(m_file) == m_fileIdentity)
            return;
        close();
    }
    checkFile(m_file);
    connect(false);
}

void Database::create()
{
    close();
    if (QFileInfo::exists(m_file))
        throw AppError(QStringLiteral("Файл базы данных уже существует."), m_file);
    connect(true);
}

void Database::connect(bool mayCreate)
{
    QSqlDatabase db = QSqlDatabase::contains(m_connectionName)
                          ? QSqlDatabase::database(m_connectionName, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    // A URI lets SQLite refuse to create a file that should already exist.
    QString uri = QUrl::fromLocalFile(m_file).toString(QUrl::FullyEncoded);
    uri += mayCreate ? QStringLiteral("?mode=rwc") : QStringLiteral("?mode=rw");
    db.setDatabaseName(uri);
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open())
        fail(QStringLiteral("Не удалось открыть базу данных"), db.lastError());
    m_fileIdentity = Platform::fileIdentity(m_file);

    if (!engine()) {
        db.close();
        fail(QStringLiteral("Соединение не является базой SQLite."), QString());
    }
    // Reading through a memory map spares a system call for every page that
    // a look-up touches; the catalogue is read far more often than written.
    // The map covers the whole of a catalogue of a million goods, whose
    // search reads every page of the description keys.
    if (m_memoryMapped)
        QSqlQuery(db).exec(QStringLiteral("PRAGMA mmap_size = 1073741824"));
    // Statement journals (a bulk edit, undoing one) stay in memory rather
    // than in a temporary file written page by page.
    QSqlQuery(db).exec(QStringLiteral("PRAGMA temp_store = MEMORY"));
    // Where the log cannot be kept (a file system without shared memory),
    // the engine stays with its journal, which is as safe and only slower.
    // The engine answers with the mode it took.
    if (m_commitsLogged) {
        QSqlQuery mode(db);
        if (mode.exec(QStringLiteral("PRAGMA journal_mode = WAL")) && mode.next() &&
            mode.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) == 0)
            QSqlQuery(db).exec(QStringLiteral("PRAGMA synchronous = NORMAL"));
    }
    try {
        Schema::prepare(*this);
    } catch (...) {
        db.close();
        throw;
    }
}

void Database::close()
{
    if (!QSqlDatabase::contains(m_connectionName))
        return;
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    if (db.isOpen())
        db.close();
}

bool Database::isOpen() const
{
    return QSqlDatabase::contains(m_connectionName) &&
           QSqlDatabase::database(m_connectionName, false).isOpen();
}

QSqlDatabase Database::connection() const
{
    return QSqlDatabase::database(m_connectionName, false);
}

sqlite3 *Database::engine() const
{
    const QVariant handle = connection().driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(handle.constData());
}

void Database::fail(const QString &what, const QString &engineMessage) const
{
    QString message = what;
    if (!engineMessage.trimmed().isEmpty())
        message += QStringLiteral("\n") + engineMessage.trimmed();
    throw AppError(message, m_file);
}

void Database::fail(const QString &what, const QSqlError &error) const
{
    throw AppError(QStringLiteral("%1: %2.").arg(what, SqliteErrors::reason(error)), m_file);
}

QSqlQuery Database::prepare(const QString &sql) const
{
    if (!isOpen())
        fail(QStringLiteral("База данных не открыта."), QString());
    QSqlQuery query(connection());
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        fail(QStringLiteral("Ошибка базы данных"), query.lastError());
    return query;
}

void Database::execPrepared(QSqlQuery &query) const
{
    if (!query.exec())
        fail(QStringLiteral("Ошибка базы данных"), query.lastError());
}

QSqlQuery Database::exec(const QString &sql, const QVariantList &values) const
{
    Statement statement(*this, sql);
    bindAll(statement, values);
    return QSqlQuery(new StatementRows(connection().driver(), engine(), statement));
}

QVariant Database::scalar(const QString &sql, const QVariantList &values) const
{
    Statement statement(*this, sql);
    bindAll(statement, values);
    return statement.next() ? statement.value(0) : QVariant();
}

void Database::begin() const
{
    if (!connection().transaction())
        fail(QStringLiteral("Не удалось начать транзакцию"), connection().lastError());
}

void Database::commit() const
{
    if (!connection().commit())
        fail(QStringLiteral("Не удалось завершить транзакцию"), connection().lastError());
}

void Database::rollback() const
{
    connection().rollback();
}

Unmapped::Unmapped(const Database &db)
    : m_db(db), m_mapped(db.scalar(QStringLiteral("PRAGMA mmap_size")).toLongLong())
{
    m_db.exec(QStringLiteral("PRAGMA mmap_size = 0"));
}

Unmapped::~Unmapped()
{
    try {
        m_db.exec(QStringLiteral("PRAGMA mmap_size = %1").arg(m_mapped));
    } catch (const AppError &) {
        // The next connection maps the file again.
    }
}
