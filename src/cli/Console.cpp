#include "Console.h"

#include "AppError.h"

#include <QRegularExpression>
#include <cstdio>

namespace {

// Messages written for a message box break their lines; a script reads one.
QString oneLine(const QString &text)
{
    static const QRegularExpression lineBreaks(QStringLiteral("\\s*[\\r\\n]+\\s*"));
    return QString(text).replace(lineBreaks, QStringLiteral(" ")).trimmed();
}

} // namespace

Console::Console() : m_out(stdout), m_err(stderr) {}

void Console::refuse(const AppError &error, const QString &file)
{
    const QString subject = file.isEmpty() ? error.file() : file;
    const bool aboutSubject = error.file().isEmpty() || error.file() == subject;
    QString place = subject.isEmpty() ? QStringLiteral("kvintor-cli") : subject;
    if (aboutSubject && error.line() > 0)
        place += u':' + QString::number(error.line());
    m_err << place << ": " << oneLine(aboutSubject ? error.message() : error.fullText())
          << Qt::endl;
}
