#pragma once

#include <QString>
#include <QStringList>

// How commands and windows ask the user: the program answers with message
// boxes, the tests with scripted answers. A "No" or a cancel is an answer,
// not an error.
class Prompts {
public:
    virtual ~Prompts() = default;

    // A question with Yes and No; true means Yes.
    virtual bool confirm(const QString &question) = 0;
    // A notice with OK.
    virtual void notify(const QString &message) = 0;
    // A specification file to open, starting in folder; empty when cancelled.
    virtual QString chooseFileToOpen(const QString &folder) = 0;
    // Specification files to add to the open one, starting in folder; empty
    // when cancelled.
    virtual QStringList chooseFilesToOpen(const QString &folder) = 0;
    // A file to save to, starting in folder with presetName filled in; empty
    // when cancelled. Overwriting is not confirmed here: the caller asks.
    virtual QString chooseFileToSave(const QString &folder, const QString &presetName) = 0;
};
