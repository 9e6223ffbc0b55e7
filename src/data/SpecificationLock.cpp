#include "SpecificationLock.h"

#include "Platform.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>
#include <QSysInfo>

namespace {

constexpr QFileDevice::Permissions kWritePermissions =
    QFileDevice::WriteOwner | QFileDevice::WriteUser | QFileDevice::WriteGroup |
    QFileDevice::WriteOther;
constexpr QFileDevice::Permissions kUserPermissions =
    QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser;

// The line the lock file gets after those of QLockFile, which reads only its
// own lines.
const QByteArray kPermissionsKey = QByteArrayLiteral("permissions ");

// The line with the locked file's path, in a lock kept in the data folder.
const QByteArray kPathKey = QByteArrayLiteral("path ");

std::unique_ptr<QLockFile> lockFileAt(const QString &lockPath)
{
    auto lockFile = std::make_unique<QLockFile>(lockPath);
    // A lock is never stale by age: a specification stays open for days.
    lockFile->setStaleLockTime(0);
    return lockFile;
}

std::unique_ptr<QLockFile> lockFileFor(const QString &path)
{
    return lockFileAt(SpecificationLock::lockFilePath(path));
}

// Where this user's copies keep the lock of a file whose folder takes no lock
// file (a read-only folder): the next start finds it there and gives the file
// its permissions back, should the copy that held it have crashed.
QString recordsFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation))
        .filePath(QStringLiteral("locks"));
}

QString recordPath(const QString &path)
{
    const QByteArray key = QFileInfo(path).absoluteFilePath().toUtf8();
    return QDir(recordsFolder())
        .filePath(
            QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex()) +
            QStringLiteral(".lock"));
}

void recordPermissions(const QString &lockPath, QFileDevice::Permissions permissions,
                       const QString &path = {})
{
    QFile file(lockPath);
    if (!file.open(QIODevice::Append))
        return;
    file.write(kPermissionsKey + QByteArray::number(permissions.toInt(), 16) + '\n');
    if (!path.isEmpty())
        file.write(kPathKey + QFileInfo(path).absoluteFilePath().toUtf8() + '\n');
}

std::optional<QByteArray> recordedLine(const QString &lockPath, const QByteArray &key)
{
    QFile file(lockPath);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    for (const QByteArray &line : file.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(key.size());
    return std::nullopt;
}

std::optional<QFileDevice::Permissions> recordedIn(const QString &lockPath)
{
    const std::optional<QByteArray> line = recordedLine(lockPath, kPermissionsKey);
    bool ok = false;
    const int value = line ? line->trimmed().toInt(&ok, 16) : 0;
    return ok ? std::optional(QFileDevice::Permissions::fromInt(value)) : std::nullopt;
}

// Clears the lock at lockPath when the copy that held it is gone from this
// host: path gets back the permissions the lock recorded. Who held it;
// nothing when the lock holds.
std::optional<QString> clearIfAbandoned(const QString &lockPath, const QString &path)
{
    const std::unique_ptr<QLockFile> probe = lockFileAt(lockPath);
    qint64 pid = 0;
    QString host;
    QString program;
    const bool known = probe->getLockInfo(&pid, &host, &program);
    const std::optional<QFileDevice::Permissions> recorded = recordedIn(lockPath);
    if (!SpecificationLock::tryLock(*probe))
        return std::nullopt;
    if (recorded && QFileInfo(path).isFile())
        QFile::setPermissions(path, *recorded);
    probe->unlock();
    if (!known)
        return QStringLiteral("неизвестная программа");
    return QStringLiteral("%1 на компьютере %2, процесс %3").arg(program, host).arg(pid);
}

} // namespace

SpecificationLock::SpecificationLock(QString path, QFileDevice::Permissions recorded,
                                     std::unique_ptr<QLockFile> lockFile)
    : m_path(std::move(path)), m_recorded(recorded), m_lockFile(std::move(lockFile))
{
}

SpecificationLock::~SpecificationLock()
{
    if (m_permissionTaken)
        restorePermissions();
    if (m_lockFile)
        m_lockFile->unlock();
}

QString SpecificationLock::lockFilePath(const QString &path)
{
    const QFileInfo file(path);
    return file.dir().filePath(QStringLiteral(".~lock.") + file.fileName() + u'#');
}

QFileDevice::Permissions SpecificationLock::ownPermissions(const QString &path)
{
    return QFile::permissions(path) & ~kUserPermissions;
}

bool SpecificationLock::isReadOnly(const QString &path)
{
    // Probing an abandoned lock would take it over and lose the permissions
    // it recorded; it is cleared properly first.
    clearAbandoned(path);
    if (!(QFile::permissions(path) & QFileDevice::WriteOwner))
        return true;
    if (!QFileInfo::exists(lockFilePath(path)))
        return false;
    const std::unique_ptr<QLockFile> probe = lockFileFor(path);
    if (!tryLock(*probe))
        return probe->error() == QLockFile::LockFailedError;
    probe->unlock();
    return false;
}

bool SpecificationLock::tryLock(QLockFile &lockFile)
{
    if (lockFile.tryLock(0))
        return true;
    if (lockFile.error() != QLockFile::LockFailedError)
        return false;
    // Qt takes over the lock of a process gone from this host only when it
    // may write the lock file; one that another user's copy left is not
    // writable to us, though the folder may well let it be deleted.
    qint64 pid = 0;
    QString host;
    QString program;
    if (!lockFile.getLockInfo(&pid, &host, &program) ||
        (!host.isEmpty() && host != QSysInfo::machineHostName()) || !Platform::processIsGone(pid))
        return false;
    return QFile::remove(lockFile.fileName()) && lockFile.tryLock(0);
}

void SpecificationLock::clearAbandonedRecords()
{
    const QDir folder(recordsFolder());
    for (const QString &entry : folder.entryList({QStringLiteral("*.lock")}, QDir::Files)) {
        const QString lockPath = folder.filePath(entry);
        const std::optional<QByteArray> path = recordedLine(lockPath, kPathKey);
        clearIfAbandoned(lockPath, path ? QString::fromUtf8(path->trimmed()) : QString());
    }
}

std::optional<QString> SpecificationLock::clearAbandoned(const QString &path)
{
    // A lock is taken over only from a process that is gone from this host;
    // on another host nobody can tell, and the lock holds.
    std::optional<QString> owner;
    if (QFileInfo::exists(lockFilePath(path)))
        owner = clearIfAbandoned(lockFilePath(path), path);
    if (QFileInfo::exists(recordPath(path)))
        if (std::optional<QString> recorded = clearIfAbandoned(recordPath(path), path))
            owner = recorded;
    return owner;
}

std::unique_ptr<SpecificationLock> SpecificationLock::take(const QString &path)
{
    if (!QFileInfo(path).isFile() || !(QFile::permissions(path) & QFileDevice::WriteOwner))
        return nullptr;
    const QFileDevice::Permissions recorded = ownPermissions(path);
    std::unique_ptr<QLockFile> lockFile = lockFileFor(path);
    if (tryLock(*lockFile)) {
        recordPermissions(lockFile->fileName(), recorded);
    } else {
        if (lockFile->error() == QLockFile::LockFailedError)
            return nullptr; // another copy has it
        // The folder takes no lock file: the permission holds the lock for
        // others, and this user's data folder keeps what it was, in case
        // this copy crashes.
        QDir().mkpath(recordsFolder());
        lockFile = lockFileAt(recordPath(path));
        if (tryLock(*lockFile))
            recordPermissions(lockFile->fileName(), recorded, path);
        else if (lockFile->error() == QLockFile::LockFailedError)
            return nullptr; // another copy of this user has it
        else
            lockFile.reset();
    }
    std::unique_ptr<SpecificationLock> lock(
        new SpecificationLock(path, recorded, std::move(lockFile)));
    if (!lock->takeWritePermission() && !lock->m_lockFile)
        return nullptr;
    return lock;
}

bool SpecificationLock::takeWritePermission()
{
    m_permissionTaken = QFile::setPermissions(m_path, m_recorded & ~kWritePermissions);
    return m_permissionTaken;
}

void SpecificationLock::restorePermissions()
{
    if (QFileInfo(m_path).isFile())
        QFile::setPermissions(m_path, m_recorded);
    m_permissionTaken = false;
}
