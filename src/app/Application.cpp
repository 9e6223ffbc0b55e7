#include "Application.h"

#include "AppError.h"
#include "ErrorReport.h"

Application::Application(int &argc, char **argv) : QApplication(argc, argv) {}

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const AppError &error) {
        ErrorReport::show(error.fullText());
    } catch (const std::exception &error) {
        ErrorReport::show(QString::fromLocal8Bit(error.what()));
    }
    return false;
}
