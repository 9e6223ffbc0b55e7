#include "WidgetPrompts.h"

#include "SpecificationFileDialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>

namespace {

// A question asked in the middle of a command shows the arrow, not the
// command's wait cursor. Once answered, the window that asked is active
// again, its keys (Ctrl+Z) with it, also where no window manager gives the
// activation back.
class ArrowWhileAsking {
public:
    ArrowWhileAsking() : m_asker(QApplication::activeWindow())
    {
        QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    ~ArrowWhileAsking()
    {
        QGuiApplication::restoreOverrideCursor();
        if (m_asker && m_asker->isVisible() && !QApplication::activeModalWidget())
            m_asker->activateWindow();
    }
    ArrowWhileAsking(const ArrowWhileAsking &) = delete;
    ArrowWhileAsking &operator=(const ArrowWhileAsking &) = delete;

private:
    QPointer<QWidget> m_asker;
};

} // namespace

bool WidgetPrompts::confirm(const QString &question)
{
    const ArrowWhileAsking arrow;
    QMessageBox box(QMessageBox::Question, QStringLiteral("Подтверждение"), question,
                    QMessageBox::Yes | QMessageBox::No, QApplication::activeWindow());
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

Prompts::Answer WidgetPrompts::ask(const QString &question)
{
    const ArrowWhileAsking arrow;
    QMessageBox box(QMessageBox::Question, QStringLiteral("Подтверждение"), question,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                    QApplication::activeWindow());
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}

void WidgetPrompts::notify(const QString &message)
{
    const ArrowWhileAsking arrow;
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), message,
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

QString WidgetPrompts::chooseFileToOpen(const QString &folder)
{
    const ArrowWhileAsking arrow;
    SpecificationFileDialog dialog(SpecificationFileDialog::Purpose::Open, folder,
                                   QApplication::activeWindow());
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

QStringList WidgetPrompts::chooseFilesToOpen(const QString &folder)
{
    const ArrowWhileAsking arrow;
    SpecificationFileDialog dialog(SpecificationFileDialog::Purpose::OpenMany, folder,
                                   QApplication::activeWindow());
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

QString WidgetPrompts::chooseFileToSave(const QString &folder, const QString &presetName)
{
    const ArrowWhileAsking arrow;
    SpecificationFileDialog dialog(SpecificationFileDialog::Purpose::Save, folder,
                                   QApplication::activeWindow());
    dialog.selectFile(presetName);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

QString WidgetPrompts::chooseFileOfKindToOpen(const FileKind &kind, const QString &folder)
{
    const ArrowWhileAsking arrow;
    QFileDialog dialog(QApplication::activeWindow(), kind.title, folder);
    dialog.setObjectName(QStringLiteral("fileOfKindDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(kind.filter);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

QString WidgetPrompts::chooseFileOfKindToSave(const FileKind &kind, const QString &proposedPath)
{
    const ArrowWhileAsking arrow;
    QFileDialog dialog(QApplication::activeWindow(), kind.title);
    dialog.setObjectName(QStringLiteral("fileOfKindDialog"));
    // Qt's own dialog, as for specification files: the same look, and a
    // dialog the tests and the screenshots can reach.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The command asks its own overwrite question.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilter(kind.filter);
    dialog.setDefaultSuffix(kind.extension);
    const QFileInfo proposed(proposedPath);
    dialog.setDirectory(proposed.absolutePath());
    dialog.selectFile(proposed.fileName());
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}
