#include "StartUp.h"

#include "CadLink.h"
#include "Database.h"
#include "Session.h"
#include "Settings.h"
#include "WorkingDatabase.h"

#include <QDir>
#include <QFileInfo>

QList<AppError> startUp(Session &session, const Settings &settings, CadLink &cad,
                        const StartUpPlace &place, QList<Recovery::Unsaved> *unsaved)
{
    QList<AppError> problems;
    const QString argument = place.arguments.value(0);
    session.setCommandLineFile(argument.isEmpty() ? QString()
                                                  : QFileInfo(argument).absoluteFilePath());

    cad.attachQuietly();

    const QString catalogueFolder = Settings::catalogueFolder(settings.path(), place.programFolder);
    session.setCatalogueFile(catalogueFolder + QLatin1String(kCatalogueFileName));
    try {
        // An office's catalogue on its server takes the place of the file.
        if (const QString server = settings.catalogue(); !server.isEmpty())
            session.setCatalogueAddress(server);
        else
            Database::checkFile(session.catalogueFile());
    } catch (const AppError &problem) {
        problems << problem;
    }

    const QDir programFolder(place.programFolder);
    QStringList folders{place.programFolder};
    if (!place.fallbackFolder.isEmpty())
        folders << place.fallbackFolder;
    // Copies that crashed or were killed left their working databases behind.
    QList<Recovery::Unsaved> found = Recovery::findUnsaved(folders);
    try {
        session.setWorkingDatabasePath(WorkingDatabase::create(
            folders, place.moment, programFolder.filePath(QLatin1String(kTemplateFileName))));
    } catch (const AppError &problem) {
        // No working database: the commands that need one are switched off.
        session.setWorkingDatabasePath({});
        problems << problem;
    }
    if (unsaved && !session.workingDatabasePath().isEmpty())
        *unsaved = std::move(found);
    else
        Recovery::letGo(found);
    return problems;
}

void leave(Session &session, CadLink &cad)
{
    session.closeConnections();
    WorkingDatabase::remove(session.workingDatabasePath());
    // Nothing may read the working database once it is gone.
    session.setWorkingDatabasePath({});
    cad.release();
}
