#pragma once

#include "Prompts.h"

#include <QStringList>
#include <functional>

// Answers questions from a script and remembers what was asked, so that no
// test waits on a modal box.
class ScriptedPrompts final : public Prompts {
public:
    QList<bool> answers; // taken in order; when empty, the answer is No
    QStringList questions;
    QStringList notices;
    QStringList openAnswers, saveAnswers; // taken in order; when empty, a cancel
    QStringList openFolders;              // the folder of every open dialog
    QStringList saveFolders, savePresets; // the folder and name of every save dialog

    // Runs before a Yes or No is given, as another user may act while the
    // question waits.
    std::function<void(const QString &question)> beforeAnswer;

    bool confirm(const QString &question) override
    {
        if (beforeAnswer)
            beforeAnswer(question);
        questions << question;
        return answers.isEmpty() ? false : answers.takeFirst();
    }
    // Yes, No or Cancel in order; when empty, the answers above stand for
    // Yes and No.
    QList<Answer> choices;
    Answer ask(const QString &question) override
    {
        if (choices.isEmpty())
            return confirm(question) ? Answer::Yes : Answer::No;
        questions << question;
        return choices.takeFirst();
    }
    void notify(const QString &message) override { notices << message; }
    QString chooseFileToOpen(const QString &folder) override
    {
        openFolders << folder;
        return openAnswers.isEmpty() ? QString() : openAnswers.takeFirst();
    }
    QList<QStringList> openManyAnswers; // taken in order; when empty, a cancel
    QStringList chooseFilesToOpen(const QString &folder) override
    {
        openFolders << folder;
        return openManyAnswers.isEmpty() ? QStringList() : openManyAnswers.takeFirst();
    }
    QString chooseFileToSave(const QString &folder, const QString &presetName) override
    {
        saveFolders << folder;
        savePresets << presetName;
        return saveAnswers.isEmpty() ? QString() : saveAnswers.takeFirst();
    }
    QString chooseFileOfKindToOpen(const FileKind &, const QString &folder) override
    {
        return chooseFileToOpen(folder);
    }
    QStringList proposedPaths; // the proposal of every save dialog for a file of a kind
    QString chooseFileOfKindToSave(const FileKind &, const QString &proposedPath) override
    {
        proposedPaths << proposedPath;
        return saveAnswers.isEmpty() ? QString() : saveAnswers.takeFirst();
    }
};
