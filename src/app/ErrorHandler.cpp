#include "ErrorHandler.h"

#include <QApplication>
#include <QMessageBox>

namespace ErrorHandler {
namespace {

Sink &sink()
{
    static Sink current;
    return current;
}

} // namespace

void show(const QString &message)
{
    if (sink()) {
        sink()(message);
        return;
    }
    QApplication::restoreOverrideCursor();
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Ошибка"), message, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

void setSink(Sink newSink)
{
    sink() = std::move(newSink);
}

} // namespace ErrorHandler
