#include "ErrorHandler.h"

#include "ErrorReport.h"

#include <QApplication>
#include <QMessageBox>

namespace ErrorHandler {

void installMessageBoxes()
{
    ErrorReport::setSink([](const QString &message) {
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Ошибка"), message, QMessageBox::Ok,
                        QApplication::activeWindow());
        box.exec();
    });
}

} // namespace ErrorHandler
