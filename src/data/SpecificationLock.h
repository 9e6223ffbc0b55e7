#pragma once

#include <QFileDevice>
#include <QString>
#include <memory>
#include <optional>

class QLockFile;

// The mark a running copy of the program puts on the specification file it
// has open, so that other copies, on this computer or on another one sharing
// the folder, see it as read-only and cannot save over it. The mark is
// twofold: the file's write permission is taken away, which every program and
// file manager shows, and a lock file beside it (".~lock.<name>#") records the
// host, the process and the program holding it and the permissions the file
// had before. Either mark alone holds the lock: on a file of another user the
// permission cannot be changed, in a read-only folder no lock file can be
// made. When the holder is gone from this host, its lock file says so, and
// the file gets its permissions back instead of staying read-only for good.
// In a folder that takes no lock file, the user's data folder keeps the lock
// and the permissions instead, for this user's next start to find.
class SpecificationLock {
public:
    ~SpecificationLock(); // lets go of the file
    SpecificationLock(const SpecificationLock &) = delete;
    SpecificationLock &operator=(const SpecificationLock &) = delete;

    // Locks path for this copy. Nothing when the file is read-only, when
    // another live copy holds its lock, or when neither mark can be put on it.
    static std::unique_ptr<SpecificationLock> take(const QString &path);

    // Whether path is read-only to this copy: its owner may not write it, or
    // another live copy (this process included) holds its lock file. A lock
    // abandoned by a copy that is gone is cleared on the way.
    static bool isReadOnly(const QString &path);

    // Clears a lock left on path by a copy that is gone from this host: the
    // file gets back the permissions recorded in the lock file and the lock
    // file goes. Returns who held it; nothing when there was no such lock.
    static std::optional<QString> clearAbandoned(const QString &path);

    // The locks that this user's copies kept in the data folder for files in
    // folders that take no lock file: each whose copy is gone gives its file
    // the permissions back and goes.
    static void clearAbandonedRecords();

    // Takes lockFile, or takes it over from a copy gone from this host: also
    // from one of another user, whose lock file only the folder lets go.
    static bool tryLock(QLockFile &lockFile);

    // The hidden lock file beside path.
    static QString lockFilePath(const QString &path);

    // The permissions a file keeps, without those Qt works out for the
    // current user (which it reports granted to the administrator even on a
    // read-only file).
    static QFileDevice::Permissions ownPermissions(const QString &path);

    const QString &path() const { return m_path; }
    // What the file had before the lock and gets back when it is let go of.
    QFileDevice::Permissions recordedPermissions() const { return m_recorded; }

    // Overwriting the locked file: its permissions come back while work runs
    // and go again afterwards, also when work throws. The lock file stays.
    template <typename Work> void whileWritable(Work &&work)
    {
        restorePermissions();
        try {
            work();
        } catch (...) {
            takeWritePermission();
            throw;
        }
        takeWritePermission();
    }

private:
    SpecificationLock(QString path, QFileDevice::Permissions recorded,
                      std::unique_ptr<QLockFile> lockFile);
    void restorePermissions();
    bool takeWritePermission();

    QString m_path;
    QFileDevice::Permissions m_recorded;
    std::unique_ptr<QLockFile> m_lockFile; // none in a folder that cannot take one
    bool m_permissionTaken = false;
};
