#include "WidgetPrompts.h"

#include <QApplication>
#include <QMessageBox>

bool WidgetPrompts::confirm(const QString &question)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Подтверждение"), question,
                    QMessageBox::Yes | QMessageBox::No, QApplication::activeWindow());
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void WidgetPrompts::notify(const QString &message)
{
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), message,
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}
