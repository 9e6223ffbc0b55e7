#include "DesktopOpen.h"

#include <QDesktopServices>
#include <QMimeDatabase>
#include <QProcess>
#include <QUrl>

namespace DesktopOpen {
namespace {

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
// Qt hands the file to xdg-open and counts it opened as soon as xdg-open
// starts, even when no program takes files of the type and nothing appears.
// xdg-mime names the program xdg-open would start: nothing named, nothing
// opens. When xdg-mime cannot tell (it is missing), Qt's answer stands.
bool noProgramFor(const QString &path)
{
    const QString type = QMimeDatabase().mimeTypeForFile(path).name();
    QProcess query;
    query.start(QStringLiteral("xdg-mime"),
                {QStringLiteral("query"), QStringLiteral("default"), type});
    constexpr int kPatienceMs = 5000;
    if (!query.waitForFinished(kPatienceMs)) {
        query.kill();
        query.waitForFinished();
        return false;
    }
    // An empty answer means no program; the exit status that comes with it
    // differs between versions.
    return query.exitStatus() == QProcess::NormalExit &&
           query.readAllStandardOutput().trimmed().isEmpty();
}
#else
bool noProgramFor(const QString &)
{
    return false;
}
#endif

} // namespace

bool open(const QString &path)
{
    if (noProgramFor(path))
        return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace DesktopOpen
