#include "Application.h"

#include "AppError.h"
#include "ErrorReport.h"

#include <QLibraryInfo>
#include <QTranslator>

Application::Application(int &argc, char **argv) : QApplication(argc, argv) {}

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const Cancelled &) {
    } catch (const AppError &error) {
        ErrorReport::show(error.fullText());
    } catch (const std::exception &error) {
        ErrorReport::show(QString::fromLocal8Bit(error.what()));
    }
    return false;
}

bool Application::installRussianTranslation()
{
    static QTranslator translator;
    if (!translator.isEmpty())
        return true;
    if (!translator.load(QStringLiteral("qtbase_ru"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    return QCoreApplication::installTranslator(&translator);
}
