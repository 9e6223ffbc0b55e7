#include "Console.h"
#include "Front.h"
#include "ProgramFolder.h"

#include <QGuiApplication>

namespace {

QtMessageHandler qtHandler = nullptr;

// Standard error carries the commands' own findings; Qt's note that a
// headless session has no runtime folder is not one of them.
void messages(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.startsWith(QLatin1String("QStandardPaths: ")))
        return;
    qtHandler(type, context, message);
}

} // namespace

int main(int argc, char *argv[])
{
    qtHandler = qInstallMessageHandler(messages);
    // Printing to PDF needs fonts, which come with a graphical application;
    // no window is ever shown, so no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    Console console;
    // Installed, the databases are the user's copies once the program has
    // made them, else those that came with it; kvintor-cli copies nothing.
    const QString programFolder =
        ProgramFolder::find(QCoreApplication::applicationDirPath(), ProgramFolder::userFolder());
    return Front::run(QCoreApplication::arguments().mid(1), programFolder, console);
}
