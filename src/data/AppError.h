#pragma once

#include <QString>
#include <exception>

// The one error type of the program. It carries the text the user will read
// and, where a file is at fault, that file and the line (counted from 1).
// The general error handler at the window boundary shows it and the program
// runs on.
class AppError : public std::exception {
public:
    explicit AppError(QString message, QString file = {}, int line = 0);

    const QString &message() const { return m_message; }
    const QString &file() const { return m_file; }
    int line() const { return m_line; }

    // The message with the file and the line appended, as the user reads it.
    QString fullText() const;

    const char *what() const noexcept override { return m_what.constData(); }

private:
    QString m_message;
    QString m_file;
    int m_line = 0;
    QByteArray m_what;
};

// A wait the user called off (on the CAD program, say). It ends the command
// as an error would, so that nothing after it runs, but it is no error: the
// general error handler shows nothing, and code that passes over a failed
// attempt passes over it too.
class Cancelled final : public AppError {
public:
    Cancelled() : AppError(QStringLiteral("Отменено.")) {}
};

// A write refused because someone else changed what it was made from after
// it was read (a catalogue on the office's server); nothing of it is
// written. Whoever made the write may offer to read again and start over.
class StaleWrite final : public AppError {
public:
    using AppError::AppError;
};
