#include "SpecificationLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

namespace {

constexpr QFileDevice::Permissions kWritePermissions =
    QFileDevice::WriteOwner | QFileDevice::WriteUser | QFileDevice::WriteGroup |
    QFileDevice::WriteOther;
constexpr QFileDevice::Permissions kUserPermissions =
    QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser;

// The line the lock file gets after those of QLockFile, which reads only its
// own lines.
const QByteArray kPermissionsKey = QByteArrayLiteral("permissions ");

std::unique_ptr<QLockFile> lockFileFor(const QString &path)
{
    auto lockFile = std::make_unique<QLockFile>(SpecificationLock::lockFilePath(path));
    // A lock is never stale by age: a specification stays open for days.
    lockFile->setStaleLockTime(0);
    return lockFile;
}

void recordPermissions(const QString &lockPath, QFileDevice::Permissions permissions)
{
    QFile file(lockPath);
    if (file.open(QIODevice::Append))
        file.write(kPermissionsKey + QByteArray::number(permissions.toInt(), 16) + '\n');
}

std::optional<QFileDevice::Permissions> recordedIn(const QString &lockPath)
{
    QFile file(lockPath);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (!line.startsWith(kPermissionsKey))
            continue;
        bool ok = false;
        const int value = line.mid(kPermissionsKey.size()).trimmed().toInt(&ok, 16);
        if (ok)
            return QFileDevice::Permissions::fromInt(value);
    }
    return std::nullopt;
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
    if (!probe->tryLock(0))
        return probe->error() == QLockFile::LockFailedError;
    probe->unlock();
    return false;
}

std::optional<QString> SpecificationLock::clearAbandoned(const QString &path)
{
    const QString lockPath = lockFilePath(path);
    if (!QFileInfo::exists(lockPath))
        return std::nullopt;
    const std::unique_ptr<QLockFile> probe = lockFileFor(path);
    qint64 pid = 0;
    QString host;
    QString program;
    const bool known = probe->getLockInfo(&pid, &host, &program);
    const std::optional<QFileDevice::Permissions> recorded = recordedIn(lockPath);
    // QLockFile takes over a lock only from a process that is gone from this
    // host; on another host it cannot tell, and the lock holds.
    if (!probe->tryLock(0))
        return std::nullopt;
    if (recorded && QFileInfo(path).isFile())
        QFile::setPermissions(path, *recorded);
    probe->unlock();
    if (!known)
        return QStringLiteral("неизвестная программа");
    return QStringLiteral("%1 на компьютере %2, процесс %3").arg(program, host).arg(pid);
}

std::unique_ptr<SpecificationLock> SpecificationLock::take(const QString &path)
{
    if (!QFileInfo(path).isFile() || !(QFile::permissions(path) & QFileDevice::WriteOwner))
        return nullptr;
    const QFileDevice::Permissions recorded = ownPermissions(path);
    std::unique_ptr<QLockFile> lockFile = lockFileFor(path);
    if (lockFile->tryLock(0)) {
        recordPermissions(lockFile->fileName(), recorded);
    } else {
        if (lockFile->error() == QLockFile::LockFailedError)
            return nullptr; // another copy has it
        lockFile.reset();   // the folder takes no lock file: the permission alone holds
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
