#include "WidgetPrompts.h"

#include <QApplication>
#include <QFileDialog>
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

namespace {

// Both dialogs show only specification files; a name typed without an
// extension gets ".СО".
void showSpecificationFiles(QFileDialog &dialog, const QString &folder)
{
    dialog.setNameFilter(QStringLiteral("Файлы  спецификации (*.СО)"));
    dialog.setDefaultSuffix(QStringLiteral("СО"));
    if (!folder.isEmpty())
        dialog.setDirectory(folder);
}

} // namespace

QString WidgetPrompts::chooseFileToOpen(const QString &folder)
{
    QFileDialog dialog(QApplication::activeWindow(), QStringLiteral("Открыть  спецификацию"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    showSpecificationFiles(dialog, folder);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

QString WidgetPrompts::chooseFileToSave(const QString &folder, const QString &presetName)
{
    QFileDialog dialog(QApplication::activeWindow(), QStringLiteral("Сохранить спецификацию"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The command asks its own overwrite question and refuses read-only files.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    showSpecificationFiles(dialog, folder);
    dialog.selectFile(presetName);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}
