#include "Application.h"
#include "BuildInfo.h"
#include "ErrorHandler.h"
#include "ErrorReport.h"
#include "Program.h"
#include "ProgramFolder.h"
#include "StartWindow.h"
#include "TerminationSignals.h"

#include <QDateTime>
#include <QFont>
#include <QStandardPaths>
#include <QTextStream>
#include <string_view>

namespace {

// "--version" and "--help" are answered on standard output before any window
// or database is touched, so that they work without a display too. True when
// the program has answered and ends.
bool answeredCommandLine(int argc, char *argv[])
{
    QTextStream out(stdout);
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument(argv[i]);
        if (argument == "--version") {
            out << BuildInfo::versionLine(QStringLiteral("kvintor")) << Qt::endl;
            return true;
        }
        if (argument == "--help" || argument == "-h") {
            out << QStringLiteral("Использование: kvintor [ФАЙЛ.СО]\n\n"
                                  "Открывает Kvintor, а с именем файла — сразу его спецификацию в "
                                  "редакторе.\n\n"
                                  "Параметры:\n"
                                  "  -h, --help  этот список\n"
                                  "  --version   версия программы и дата её сборки\n\n"
                                  "Команды без окон: kvintor-cli --help\n");
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    if (answeredCommandLine(argc, argv))
        return 0;
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
    program.offerRecovery();
    const TerminationSignals endOnSignals([&startWindow] { startWindow.close(); });

    const int status = QApplication::exec();
    // Also when the session ends the program without closing its window.
    startWindow.leaveProgram();
    return status;
}
