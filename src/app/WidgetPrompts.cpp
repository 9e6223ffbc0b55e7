#include "WidgetPrompts.h"

#include "SpecificationFileDialog.h"

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

QString WidgetPrompts::chooseFileToOpen(const QString &folder)
{
    SpecificationFileDialog dialog(SpecificationFileDialog::Purpose::Open, folder,
                                   QApplication::activeWindow());
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

QString WidgetPrompts::chooseFileToSave(const QString &folder, const QString &presetName)
{
    SpecificationFileDialog dialog(SpecificationFileDialog::Purpose::Save, folder,
                                   QApplication::activeWindow());
    dialog.selectFile(presetName);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}
