#pragma once

#include <QString>
#include <QStringList>

// A kind of file other than a specification that a command writes or reads:
// the dialog is titled after the command and lists the files of the kind.
struct FileKind {
    QString title;     // "Экспорт в Excel"
    QString filter;    // "Книга Excel (*.xlsx)"
    QString extension; // "xlsx", given to a name typed without it
};

// How commands and windows ask the user: the program answers with message
// boxes, the tests with scripted answers. A "No" or a cancel is an answer,
// not an error.
class Prompts {
public:
    virtual ~Prompts() = default;

    // A question with Yes and No; true means Yes.
    virtual bool confirm(const QString &question) = 0;
    // The answers to a question that may also call the command off.
    enum class Answer { Yes, No, Cancel };
    // A question with Yes, No and Cancel ("Да", "Нет", "Отмена").
    virtual Answer ask(const QString &question) = 0;
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
    // A file of kind to open, the dialog starting in folder; empty when
    // cancelled.
    virtual QString chooseFileOfKindToOpen(const FileKind &kind, const QString &folder) = 0;
    // A file of kind to save to, the dialog opened on proposedPath (its
    // folder, its name filled in); empty when cancelled. Overwriting is not
    // confirmed here: the caller asks.
    virtual QString chooseFileOfKindToSave(const FileKind &kind, const QString &proposedPath) = 0;
};
