#pragma once

#include "Prompts.h"

// Prompts as message boxes and file dialogs over the active window.
class WidgetPrompts final : public Prompts {
public:
    bool confirm(const QString &question) override;
    Answer ask(const QString &question) override;
    void notify(const QString &message) override;
    QString chooseFileToOpen(const QString &folder) override;
    QStringList chooseFilesToOpen(const QString &folder) override;
    QString chooseFileToSave(const QString &folder, const QString &presetName) override;
    QString chooseFileOfKindToOpen(const FileKind &kind, const QString &folder) override;
    QString chooseFileOfKindToSave(const FileKind &kind, const QString &proposedPath) override;
};
