#include "Application.h"

#include "AppError.h"
#include "ErrorHandler.h"

Application::Application(int &argc, char **argv) : QApplication(argc, argv) {}

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const AppError &error) {
        ErrorHandler::show(error.fullText());
    } catch (const std::exception &error) {
        ErrorHandler::show(QString::fromLocal8Bit(error.what()));
    }
    return false;
}
