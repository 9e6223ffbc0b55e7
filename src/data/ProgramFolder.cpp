#include "ProgramFolder.h"

#include "AtomicFile.h"
#include "SystemErrors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace ProgramFolder {
namespace {

const QString kCatalogue = QStringLiteral("dorvik-Vent.mdb");
const QString kTemplate = QStringLiteral("dorvik.dat");

bool holdsBundledFiles(const QDir &folder)
{
    return folder.exists(kCatalogue) || folder.exists(kTemplate);
}

bool holdsBoth(const QDir &folder)
{
    return folder.exists(kCatalogue) && folder.exists(kTemplate);
}

void copyFile(const QString &source, const QString &target)
{
    QFile file(source);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Не удалось прочитать файл, поставляемый с программой: ") +
                           SystemErrors::reason(file) + u'.',
                       source);
    // Whole or not at all: a start cut short leaves no half a catalogue
    // for the next one to take as the user's.
    AtomicFile::write(target, file.readAll(),
                      QStringLiteral("Не удалось скопировать файл в папку данных пользователя"));
}

} // namespace

QString userFolder()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return data.isEmpty() ? QString() : QDir(data).filePath(QStringLiteral("Kvintor/Kvintor"));
}

QString bundled(const QString &executableFolder)
{
    const QDir beside(executableFolder);
    if (holdsBundledFiles(beside))
        return beside.path();
    const QDir installed(beside.filePath(QStringLiteral(KV_BUNDLED_FROM_PROGRAM)));
    if (holdsBundledFiles(installed))
        return installed.absolutePath();
    return beside.path();
}

bool isWritable(const QString &folder)
{
    // Tried rather than read from the permission bits, which on Windows do
    // not show the access lists that keep users out of Program Files.
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".kvintor-XXXXXX")));
    if (!probe.open())
        return false;
    QFile catalogue(QDir(folder).filePath(kCatalogue));
    if (!catalogue.exists())
        return true;
    return catalogue.permissions().testFlag(QFileDevice::WriteOwner) &&
           catalogue.open(QIODevice::ReadWrite);
}

QString prepare(const QString &executableFolder, const QString &userFolder,
                QList<AppError> &problems)
{
    const QString shipped = bundled(executableFolder);
    if (isWritable(shipped) || userFolder.isEmpty())
        return shipped;
    const QDir user(userFolder);
    try {
        if (!QDir().mkpath(userFolder))
            throw AppError(QStringLiteral("Не удалось создать папку данных пользователя."),
                           userFolder);
        for (const QString &name : {kCatalogue, kTemplate}) {
            const QString source = QDir(shipped).filePath(name);
            if (!user.exists(name) && QFileInfo::exists(source))
                copyFile(source, user.filePath(name));
        }
    } catch (const AppError &problem) {
        problems << problem;
        return shipped;
    }
    return user.path();
}

QString find(const QString &executableFolder, const QString &userFolder)
{
    const QString shipped = bundled(executableFolder);
    if (isWritable(shipped) || userFolder.isEmpty() || !holdsBoth(QDir(userFolder)))
        return shipped;
    return QDir(userFolder).path();
}

} // namespace ProgramFolder
