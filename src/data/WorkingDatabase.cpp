#include "WorkingDatabase.h"

#include "AppError.h"
#include "Database.h"

#include <QDir>
#include <QFile>

namespace WorkingDatabase {

QString fileName(const QDateTime &moment)
{
    return moment.toString(QStringLiteral("yyyyMMddHHmmss")) +
           QString::number(moment.time().msec()) + QStringLiteral(".mdb");
}

QString create(const QStringList &folders, const QDateTime &moment, const QString &templatePath)
{
    Database::checkFile(templatePath);
    QFile templateFile(templatePath);
    if (!templateFile.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Не удалось прочитать шаблон рабочей базы данных: ") +
                           templateFile.errorString(),
                       templatePath);
    const QByteArray contents = templateFile.readAll();

    QString lastFolder;
    QString lastError;
    for (const QString &folder : folders) {
        lastFolder = folder;
        if (!QDir().mkpath(folder)) {
            lastError = QStringLiteral("папку нельзя создать");
            continue;
        }
        // Another copy started in the same millisecond holds that name: take
        // the next millisecond's. NewOnly makes the reservation atomic.
        for (int step = 0; step < 1000; ++step) {
            const QString path = QDir(folder).filePath(fileName(moment.addMSecs(step)));
            QFile file(path);
            if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
                if (file.write(contents) == contents.size() && file.flush()) {
                    file.close();
                    return path;
                }
                lastError = file.errorString();
                file.close();
                QFile::remove(path);
                break;
            }
            lastError = file.errorString();
            if (!file.exists())
                break; // not a clash of names: this folder cannot take the file
        }
    }
    throw AppError(QStringLiteral("Не удалось создать рабочую базу данных: ") + lastError,
                   lastFolder);
}

void remove(const QString &path)
{
    if (!path.isEmpty())
        QFile::remove(path);
}

} // namespace WorkingDatabase
