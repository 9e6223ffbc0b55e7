#include "SystemErrors.h"

#include <QDir>
#include <QFileDevice>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

namespace SystemErrors {
namespace {

// The error numbers a user meets with files, from the most telling. The C
// library of Windows knows no disk quota.
constexpr int kKnownErrors[] = {ENOSPC,
#ifdef EDQUOT
                                EDQUOT,
#endif
                                EACCES,       EPERM,  EROFS,  ENOENT, ENOTDIR, EISDIR,
                                ENAMETOOLONG, EFBIG,  EMFILE, ENFILE, EIO,     EBUSY,
                                ETXTBSY,      EEXIST, EXDEV,  ELOOP};

} // namespace

QString reason(int errnum)
{
    switch (errnum) {
    case ENOSPC:
        return QStringLiteral("на диске нет места");
#ifdef EDQUOT
    case EDQUOT:
        return QStringLiteral("исчерпана дисковая квота пользователя");
#endif
    case EACCES:
    case EPERM:
        return QStringLiteral("нет прав доступа");
    case EROFS:
        return QStringLiteral("диск доступен только для чтения");
    case ENOENT:
        return QStringLiteral("файл или папка не существует");
    case ENOTDIR:
        return QStringLiteral("папка в пути не существует");
    case EISDIR:
        return QStringLiteral("это папка, а не файл");
    case ENAMETOOLONG:
        return QStringLiteral("слишком длинное имя файла");
    case EFBIG:
        return QStringLiteral("файл слишком велик");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("открыто слишком много файлов");
    case EIO:
        return QStringLiteral("ошибка ввода-вывода на диске");
    case EBUSY:
    case ETXTBSY:
        return QStringLiteral("файл занят другой программой");
    case EEXIST:
        return QStringLiteral("файл уже существует");
    case EXDEV:
        return QStringLiteral("файл нельзя перенести на другой диск");
    case ELOOP:
        return QStringLiteral("в пути слишком много символических ссылок");
    default:
        return QStringLiteral("системная ошибка %1").arg(errnum);
    }
}

QString reason(const QFileDevice &file)
{
    // Qt keeps only the text of the system's error; its wording comes from
    // Qt itself for some numbers and from the C library for the others.
    const QString text = file.errorString();
    for (const int errnum : kKnownErrors) {
        if (text.contains(qt_error_string(errnum), Qt::CaseInsensitive) ||
            text.contains(QString::fromLocal8Bit(std::strerror(errnum)), Qt::CaseInsensitive))
            return reason(errnum);
    }
    const QFileInfo info(file.fileName());
    switch (file.error()) {
    case QFileDevice::OpenError:
    case QFileDevice::WriteError:
        // QSaveFile's own "Existing file … is not writable".
        if (info.exists() && !info.isWritable())
            return reason(EACCES);
        if (!info.absoluteDir().exists())
            return QStringLiteral("папка не существует");
        break;
    case QFileDevice::ResizeError:
    case QFileDevice::ResourceError:
        return reason(ENOSPC);
    case QFileDevice::PermissionsError:
        return reason(EACCES);
    case QFileDevice::RenameError:
        return QStringLiteral("файл нельзя переименовать");
    case QFileDevice::RemoveError:
        return QStringLiteral("файл нельзя удалить");
    case QFileDevice::CopyError:
        return QStringLiteral("файл нельзя скопировать");
    default:
        break;
    }
    return QStringLiteral("ошибка ввода-вывода");
}

} // namespace SystemErrors
