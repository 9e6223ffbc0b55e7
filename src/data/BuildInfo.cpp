#include "BuildInfo.h"

#include "BuildStamp.h"

#include <sqlite3.h>

namespace BuildInfo {

QString version()
{
    return QStringLiteral(KVINTOR_BUILD_VERSION);
}

QDate buildDate()
{
    return QDate::fromString(QStringLiteral(KVINTOR_BUILD_DAY), Qt::ISODate);
}

QString versionLine(const QString &program)
{
    return QStringLiteral("%1 %2 (сборка %3)")
        .arg(program, version(), buildDate().toString(QStringLiteral("dd.MM.yyyy")));
}

QString sqliteVersion()
{
    return QString::fromLatin1(sqlite3_libversion());
}

} // namespace BuildInfo
