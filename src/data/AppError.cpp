#include "AppError.h"

#include <QDir>

AppError::AppError(QString message, QString file, int line)
    : m_message(std::move(message)), m_file(std::move(file)), m_line(line)
{
    m_what = fullText().toUtf8();
}

QString AppError::fullText() const
{
    QString text = m_message;
    if (!m_file.isEmpty()) {
        text += QStringLiteral("\nФайл: ") + QDir::toNativeSeparators(m_file);
        if (m_line > 0)
            text += QStringLiteral(", строка ") + QString::number(m_line);
    }
    return text;
}
