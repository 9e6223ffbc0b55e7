#pragma once

#include "Prompts.h"

#include <QStringList>

// Answers questions from a script and remembers what was asked, so that no
// test waits on a modal box.
class ScriptedPrompts final : public Prompts {
public:
    QList<bool> answers; // taken in order; when empty, the answer is No
    QStringList questions;
    QStringList notices;

    bool confirm(const QString &question) override
    {
        questions << question;
        return answers.isEmpty() ? false : answers.takeFirst();
    }
    void notify(const QString &message) override { notices << message; }
};
