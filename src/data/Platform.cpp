#include "Platform.h"

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <QFile>
#include <cerrno>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace Platform {

bool processIsGone(qint64 pid)
{
    if (pid <= 0)
        return false;
#ifdef Q_OS_WIN
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, DWORD(pid));
    if (!process)
        return GetLastError() == ERROR_INVALID_PARAMETER;
    const bool gone = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    CloseHandle(process);
    return gone;
#else
    // A process of another user answers "no permission": it runs.
    return ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
#endif
}

bool syncToDisk(int handle)
{
#ifdef Q_OS_WIN
    return ::_commit(handle) == 0;
#else
    return ::fsync(handle) == 0;
#endif
}

QByteArray fileIdentity(const QString &path)
{
#ifdef Q_OS_WIN
    Q_UNUSED(path);
    return {};
#else
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return {};
    return QByteArray::number(qulonglong(status.st_dev)) + ':' +
           QByteArray::number(qulonglong(status.st_ino));
#endif
}

} // namespace Platform
