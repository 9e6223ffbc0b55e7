#include "Application.h"
#include "ErrorHandler.h"
#include "ErrorReport.h"
#include "Program.h"
#include "ProgramFolder.h"
#include "StartWindow.h"
#include "TerminationSignals.h"

#include <QDateTime>
#include <QFont>

int main(int argc, char *argv[])
{
    Application app(argc, argv);
    Application::installRussianTranslation();
    ErrorHandler::installMessageBoxes();
    // The forms were laid out for a small sans-serif face of 8 points.
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(11);
    QApplication::setFont(font);
    QCoreApplication::setOrganizationName(QStringLiteral("Kvintor"));
    QCoreApplication::setApplicationName(QStringLiteral("Kvintor"));
    // The desktop shows the windows under the menu entry's name and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("kvintor"));

    StartUpPlace place;
    place.moment = QDateTime::currentDateTime();
    place.fallbackFolder = ProgramFolder::userFolder();
    // Installed, the program works on the user's copies of its databases.
    QList<AppError> copyProblems;
    place.programFolder = ProgramFolder::prepare(QCoreApplication::applicationDirPath(),
                                                 place.fallbackFolder, copyProblems);
    place.arguments = QCoreApplication::arguments().mid(1);

    Program program(place);
    StartWindow &startWindow = program.startWindow();
    startWindow.show();
    for (const AppError &problem : copyProblems + program.startUpProblems())
        ErrorReport::show(problem.fullText());
    const TerminationSignals endOnSignals([&startWindow] { startWindow.close(); });

    const int status = QApplication::exec();
    // Also when the session ends the program without closing its window.
    startWindow.leaveProgram();
    return status;
}
