#include "WorkingDatabase.h"

#include "AppError.h"
#include "Database.h"
#include "Schema.h"
#include "SpecificationLock.h"
#include "SystemErrors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLockFile>
#include <QRegularExpression>
#include <QSqlQuery>
#include <memory>

namespace WorkingDatabase {
namespace {

// The locks of the working databases this process made, held until each is
// removed. A process has one; the tests make many.
struct HeldLocks : QHash<QString, std::shared_ptr<QLockFile>> {
    ~HeldLocks()
    {
        // At the very end a lock whose folder was cleaned away meanwhile
        // has nothing left to remove, and is left to the system to close.
        for (std::shared_ptr<QLockFile> &lock : *this) {
            if (!QFileInfo::exists(lock->fileName()))
                new std::shared_ptr<QLockFile>(std::move(lock));
        }
    }
};

HeldLocks &heldLocks()
{
    static HeldLocks locks;
    return locks;
}

// What the lock files of the abandoned databases this process took over
// said before, to be given back to those it lets go of.
QHash<QString, QByteArray> &formerLocks()
{
    static QHash<QString, QByteArray> contents;
    return contents;
}

std::shared_ptr<QLockFile> lockFileFor(const QString &path)
{
    auto lock = std::make_shared<QLockFile>(SpecificationLock::lockFilePath(path));
    // A run lasts as long as the user works: the lock is never stale by age.
    lock->setStaleLockTime(0);
    return lock;
}

// The note of the specification file a copy has open, beside its database.
QString openFileNote(const QString &path)
{
    const QFileInfo database(path);
    return database.dir().filePath(QStringLiteral(".~open.") + database.fileName());
}

QString folderProblem(const QString &folder, const QString &reason)
{
    return QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(folder), reason);
}

} // namespace

QString fileName(const QDateTime &moment)
{
    return moment.toString(QStringLiteral("yyyyMMddHHmmss")) +
           QString::number(moment.time().msec()) + QStringLiteral(".mdb");
}

void checkTemplate(const QString &templatePath)
{
    Database::checkFile(templatePath);
    Database db(QStringLiteral("template-check"));
    db.setFile(templatePath);
    db.open();
    QStringList columns;
    QSqlQuery info = db.exec(QStringLiteral("PRAGMA table_info(data)"));
    while (info.next())
        columns << info.value(1).toString();
    db.close();
    if (columns.isEmpty())
        throw AppError(QStringLiteral("В шаблоне рабочей базы данных нет таблицы data."),
                       templatePath);
    QStringList missing;
    for (const QString &column : Schema::kDataColumns + QStringList{QLatin1String(Schema::kRowKey)})
        if (!columns.contains(column, Qt::CaseInsensitive))
            missing << column;
    if (!missing.isEmpty())
        throw AppError(QStringLiteral("В таблице data шаблона рабочей базы данных нет столбцов: ") +
                           missing.join(QStringLiteral(", ")) + u'.',
                       templatePath);
}

QString create(const QStringList &folders, const QDateTime &moment, const QString &templatePath)
{
    checkTemplate(templatePath);
    QFile templateFile(templatePath);
    if (!templateFile.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Не удалось прочитать шаблон рабочей базы данных: ") +
                           SystemErrors::reason(templateFile) + u'.',
                       templatePath);
    const QByteArray contents = templateFile.readAll();

    QStringList problems;
    for (const QString &folder : folders) {
        if (!QDir().mkpath(folder)) {
            problems << folderProblem(folder, QStringLiteral("папку нельзя создать"));
            continue;
        }
        QString problem;
        // Another copy started in the same millisecond holds that name: take
        // the next millisecond's. The lock comes first, so that no database
        // is ever without the lock that tells whose it is.
        for (int step = 0; step < 1000 && problem.isEmpty(); ++step) {
            const QString path = QDir(folder).filePath(fileName(moment.addMSecs(step)));
            const std::shared_ptr<QLockFile> lock = lockFileFor(path);
            if (!lock->tryLock(0)) {
                if (lock->error() == QLockFile::LockFailedError)
                    continue;
                problem = QStringLiteral("нет прав на запись в папку");
                break;
            }
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
                const bool clash = file.exists();
                if (!clash)
                    problem = SystemErrors::reason(file);
                continue;
            }
            if (file.write(contents) == contents.size() && file.flush()) {
                file.close();
                heldLocks().insert(path, lock);
                return path;
            }
            problem = SystemErrors::reason(file);
            file.close();
            QFile::remove(path);
        }
        problems << folderProblem(
            folder, problem.isEmpty() ? QStringLiteral("все имена файлов заняты") : problem);
    }
    throw AppError(QStringLiteral("Не удалось создать рабочую базу данных ни в одной папке:\n") +
                   problems.join(u'\n'));
}

void remove(const QString &path)
{
    if (path.isEmpty())
        return;
    QFile::remove(path);
    // The engine's log and its index, left beside a database whose copy died.
    QFile::remove(path + QStringLiteral("-wal"));
    QFile::remove(path + QStringLiteral("-shm"));
    QFile::remove(openFileNote(path));
    formerLocks().remove(path);
    if (const std::shared_ptr<QLockFile> lock = heldLocks().take(path))
        lock->unlock();
}

void letGo(const QString &path)
{
    const std::shared_ptr<QLockFile> lock = heldLocks().take(path);
    const QByteArray former = formerLocks().take(path);
    if (!lock)
        return;
    lock->unlock();
    // The lock file as the crashed copy left it tells the next start that
    // this is a working database and that its copy is gone.
    QFile file(lock->fileName());
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        file.write(former);
}

void recordOpenFile(const QString &path, const QString &specificationFile)
{
    if (path.isEmpty())
        return;
    if (specificationFile.isEmpty()) {
        QFile::remove(openFileNote(path));
        return;
    }
    // A note that cannot be written only costs the clean-up after a crash.
    QFile note(openFileNote(path));
    if (note.open(QIODevice::WriteOnly | QIODevice::Truncate))
        note.write(specificationFile.toUtf8());
}

QStringList takeAbandoned(const QStringList &folders)
{
    static const QRegularExpression name(QStringLiteral("^\\d{15,17}\\.mdb$"));
    QStringList taken;
    for (const QString &folder : folders) {
        const QDir dir(folder);
        for (const QString &entry : dir.entryList({QStringLiteral("*.mdb")}, QDir::Files)) {
            const QString path = dir.filePath(entry);
            // Only a database whose lock file tells of its owner: one
            // without is no working database of this program's.
            const QString lockPath = SpecificationLock::lockFilePath(path);
            if (!name.match(entry).hasMatch() || heldLocks().contains(path) ||
                !QFileInfo::exists(lockPath))
                continue;
            QByteArray former;
            if (QFile lockFile(lockPath); lockFile.open(QIODevice::ReadOnly))
                former = lockFile.readAll();
            const std::shared_ptr<QLockFile> lock = lockFileFor(path);
            // Only the lock of a process gone from this host is taken over.
            if (!SpecificationLock::tryLock(*lock))
                continue;
            QFile note(openFileNote(path));
            if (note.open(QIODevice::ReadOnly)) {
                SpecificationLock::clearAbandoned(QString::fromUtf8(note.readAll()));
                note.close();
                note.remove();
            }
            heldLocks().insert(path, lock);
            formerLocks().insert(path, former);
            taken << path;
        }
    }
    SpecificationLock::clearAbandonedRecords();
    return taken;
}

int removeAbandoned(const QStringList &folders)
{
    int removed = 0;
    for (const QString &path : takeAbandoned(folders)) {
        remove(path);
        if (!QFileInfo::exists(path))
            ++removed;
    }
    return removed;
}

} // namespace WorkingDatabase
