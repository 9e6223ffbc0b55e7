#include "Application.h"
#include "CadLink.h"
#include "ErrorHandler.h"
#include "Session.h"
#include "Settings.h"
#include "StartUp.h"
#include "StartWindow.h"
#include "TerminationSignals.h"

#include <QDateTime>
#include <QStandardPaths>

int main(int argc, char *argv[])
{
    Application app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Kvintor"));
    QCoreApplication::setApplicationName(QStringLiteral("Kvintor"));

    StartUpPlace place;
    place.moment = QDateTime::currentDateTime();
    place.programFolder = QCoreApplication::applicationDirPath();
    place.fallbackFolder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    place.arguments = QCoreApplication::arguments().mid(1);

    Settings settings;
    const std::unique_ptr<CadLink> cad = CadLink::create(settings.cadBridge());
    Session session;
    const QList<AppError> problems = startUp(session, settings, *cad, place);

    StartWindow startWindow(session, *cad);
    startWindow.show();
    const TerminationSignals endOnSignals([&startWindow] { startWindow.close(); });
    for (const AppError &problem : problems)
        ErrorHandler::show(problem.fullText());

    const int status = QApplication::exec();
    // Also when the session ends the program without closing its window.
    startWindow.leaveProgram();
    return status;
}
