#include "Database.h"

#include "AppError.h"
#include "TextFolding.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QUrl>
#include <sqlite3.h>

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
    const QFileInfo info(path);
    if (!info.exists())
        throw AppError(QStringLiteral("Файл базы данных не найден."), path);
    if (!info.isFile())
        throw AppError(QStringLiteral("Путь базы данных указывает не на файл."), path);
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
    if (isOpen())
        return;
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
        fail(QStringLiteral("Не удалось открыть базу данных."), db.lastError().text());

    sqlite3 *sqlite = engine();
    if (!sqlite || !TextFolding::registerOn(sqlite)) {
        db.close();
        fail(QStringLiteral("Не удалось настроить сравнение текста без учёта регистра."), {});
    }
    // Reading through a memory map spares a system call for every page that
    // a look-up touches; the catalogue is read far more often than written.
    QSqlQuery(db).exec(QStringLiteral("PRAGMA mmap_size = 268435456"));
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

QSqlQuery Database::prepare(const QString &sql) const
{
    if (!isOpen())
        fail(QStringLiteral("База данных не открыта."), {});
    QSqlQuery query(connection());
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        fail(QStringLiteral("Ошибка базы данных."), query.lastError().text());
    return query;
}

void Database::execPrepared(QSqlQuery &query) const
{
    if (!query.exec())
        fail(QStringLiteral("Ошибка базы данных."), query.lastError().text());
}

QSqlQuery Database::exec(const QString &sql, const QVariantList &values) const
{
    QSqlQuery query = prepare(sql);
    for (const QVariant &value : values)
        query.addBindValue(value);
    execPrepared(query);
    return query;
}

QVariant Database::scalar(const QString &sql, const QVariantList &values) const
{
    QSqlQuery query = exec(sql, values);
    return query.next() ? query.value(0) : QVariant();
}

void Database::begin() const
{
    if (!connection().transaction())
        fail(QStringLiteral("Не удалось начать транзакцию."), connection().lastError().text());
}

void Database::commit() const
{
    if (!connection().commit())
        fail(QStringLiteral("Не удалось завершить транзакцию."), connection().lastError().text());
}

void Database::rollback() const
{
    connection().rollback();
}
