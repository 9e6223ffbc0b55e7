#include "SqliteErrors.h"

#include <QRegularExpression>
#include <QSqlError>
#include <sqlite3.h>

namespace SqliteErrors {
namespace {

// An English phrase of the engine and the Russian one for it; the part the
// pattern captures (a table's name, say) is the user's own and stays.
struct Phrase {
    const char *pattern;
    const char *reason;
};

QString translated(const QString &engineText, std::initializer_list<Phrase> phrases)
{
    const QString text = engineText.trimmed();
    for (const Phrase &phrase : phrases) {
        const QRegularExpressionMatch match =
            QRegularExpression(QString::fromLatin1(phrase.pattern)).match(text);
        if (match.hasMatch())
            return QString::fromUtf8(phrase.reason).arg(match.captured(1));
    }
    return {};
}

// The engine names a missing table, column or function after a fixed
// English phrase.
QString missingThing(const QString &engineText)
{
    return translated(
        engineText,
        {{"^no such table: *(.+)$", "в базе данных нет таблицы %1"},
         {"^no such column: *(.+)$", "в базе данных нет столбца %1"},
         {"^(?:table|index) (.+) already exists$", "в базе данных уже есть %1"},
         {"^no such function: *(.+)$", "базе данных нужна функция %1 программы, которой нет"},
         {"^(?:.*) has no column named (.+)$", "в таблице нет столбца %1"}});
}

// A rule of a table that a change breaks; a trigger's refusal is in the
// words of whoever wrote the trigger, and is shown as it stands.
QString constraint(const QString &engineText)
{
    const QString rule = translated(
        engineText,
        {{"^UNIQUE constraint failed: *(.+)$", "значение должно быть единственным в столбце %1"},
         {"^NOT NULL constraint failed: *(.+)$", "столбец %1 не может быть пустым"},
         {"^CHECK constraint failed: *(.+)$", "значение не проходит проверку %1"},
         {"^FOREIGN KEY constraint failed()$", "нарушена связь между таблицами%1"}});
    return rule.isEmpty() ? QStringLiteral("база данных отказала: %1").arg(engineText.trimmed())
                          : rule;
}

} // namespace

QString reason(int code, const QString &engineText)
{
    switch (code & 0xff) {
    case SQLITE_READONLY:
        return QStringLiteral("база данных открыта только для чтения: нет прав на запись в файл "
                              "или в его папку");
    case SQLITE_CORRUPT:
        return QStringLiteral("файл базы данных повреждён");
    case SQLITE_NOTADB:
        return QStringLiteral("файл не является базой данных SQLite");
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("база данных занята другой программой; повторите позже");
    case SQLITE_FULL:
        return QStringLiteral("на диске нет места");
    case SQLITE_CANTOPEN:
        return QStringLiteral("файл базы данных нельзя открыть: его нет или нет прав доступа");
    case SQLITE_IOERR:
        return QStringLiteral("ошибка чтения или записи файла базы данных");
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return QStringLiteral("нет прав доступа к базе данных");
    case SQLITE_NOMEM:
        return QStringLiteral("не хватает памяти");
    case SQLITE_TOOBIG:
        return QStringLiteral("значение слишком велико для базы данных");
    case SQLITE_CONSTRAINT:
        return constraint(engineText);
    case SQLITE_MISMATCH:
        return QStringLiteral("значение не того вида, что столбец базы данных");
    case SQLITE_INTERRUPT:
        return QStringLiteral("работа с базой данных прервана");
    case SQLITE_PROTOCOL:
    case SQLITE_NOLFS:
        return QStringLiteral("файловая система не даёт работать с базой данных");
    default:
        break;
    }
    if (const QString missing = missingThing(engineText); !missing.isEmpty())
        return missing;
    return engineText.trimmed().isEmpty()
               ? QStringLiteral("ошибка базы данных, код %1").arg(code)
               : QStringLiteral("ошибка в работе с базой данных (%1)").arg(engineText.trimmed());
}

QString reason(const QSqlError &error)
{
    bool known = false;
    const int code = error.nativeErrorCode().toInt(&known);
    return reason(known ? code : SQLITE_ERROR, error.databaseText());
}

} // namespace SqliteErrors
