#include "AtomicFile.h"

#include "AppError.h"
#include "Platform.h"
#include "SystemErrors.h"

#include <QSaveFile>
#include <cerrno>

namespace AtomicFile {

void write(const QString &path, const QByteArray &bytes, const QString &failureText)
{
    QSaveFile file(path);
    const auto fail = [&](const QString &reason) {
        file.cancelWriting();
        throw AppError(failureText + QStringLiteral(": ") + reason + u'.', path);
    };
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        fail(SystemErrors::reason(file));
    // Unbuffered: a buffered QSaveFile may report success from commit()
    // after a buffered write has failed, and loses the system's reason on
    // the way. Every write is checked, and the data reach the disk before
    // the rename, since some file systems find the disk full only when they
    // write it out. A short write is no error yet: the next one tells why
    // the disk took no more.
    for (qint64 written = 0; written < bytes.size();) {
        const qint64 step = file.write(bytes.constData() + written, bytes.size() - written);
        if (step <= 0)
            fail(SystemErrors::reason(file));
        written += step;
    }
    if (!file.flush() || file.error() != QFileDevice::NoError)
        fail(SystemErrors::reason(file));
    if (!Platform::syncToDisk(file.handle()))
        fail(SystemErrors::reason(errno));
    if (!file.commit())
        throw AppError(failureText + QStringLiteral(": ") + SystemErrors::reason(file) + u'.',
                       path);
}

} // namespace AtomicFile
