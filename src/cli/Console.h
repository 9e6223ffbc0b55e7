#pragma once

#include <QString>
#include <QTextStream>

class AppError;

// Standard output and standard error of kvintor-cli, in UTF-8. Findings go
// to the output, refusals to the error stream, one line each, so that a
// script can read either line by line.
class Console {
public:
    Console();

    QTextStream &out() { return m_out; }
    QTextStream &err() { return m_err; }

    // One line "FILE:LINE: message" ("FILE: message" without a line) for an
    // error met while working on file. An error about another file (the
    // catalogue, the template) keeps that file's name in the message, so the
    // line still starts with the file the script asked about. Without file,
    // the error's own file leads.
    void refuse(const AppError &error, const QString &file = {});

private:
    QTextStream m_out;
    QTextStream m_err;
};
