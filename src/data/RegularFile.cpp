#include "RegularFile.h"

#include "AppError.h"

#include <QFileInfo>

namespace RegularFile {

void require(const QString &path, const QString &what)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw AppError(QStringLiteral("%1 не найден.").arg(what), path);
    if (info.isFile())
        return;
    const QString kind = info.isDir() ? QStringLiteral("это папка")
                                      : QStringLiteral("это канал, устройство или сокет");
    throw AppError(QStringLiteral("%1 не является обычным файлом: %2.").arg(what, kind), path);
}

} // namespace RegularFile
