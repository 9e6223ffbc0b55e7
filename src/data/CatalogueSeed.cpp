#include "CatalogueSeed.h"

#include "AppError.h"
#include "Database.h"
#include "Numbers.h"
#include "Schema.h"

#include <QFile>
#include <QList>
#include <QVariantList>

namespace CatalogueSeed {
namespace {

QStringList readLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Не удалось прочитать файл: ") + file.errorString(), path);
    QString text = QString::fromUtf8(file.readAll());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QList<QVariantList> readGoods(const QString &path)
{
    const QStringList lines = readLines(path);
    if (lines.isEmpty() || lines.first().split(u'\t') != Schema::kGoodsColumns)
        throw AppError(QStringLiteral("Первая строка должна перечислять столбцы: ") +
                           Schema::kGoodsColumns.join(u' '),
                       path, 1);
    QList<QVariantList> rows;
    for (int i = 1; i < lines.size(); ++i) {
        const int lineNumber = i + 1;
        const QStringList fields = lines[i].split(u'\t');
        if (fields.size() != Schema::kGoodsColumns.size())
            throw AppError(QStringLiteral("Ожидалось %1 полей через табуляцию, найдено %2.")
                               .arg(Schema::kGoodsColumns.size())
                               .arg(fields.size()),
                           path, lineNumber);
        if (fields[0].trimmed().isEmpty())
            throw AppError(QStringLiteral("Не указано имя блока."), path, lineNumber);
        QVariantList row;
        for (int column = 0; column < fields.size(); ++column)
            row << fields[column];
        const int costColumn = Schema::kGoodsColumns.indexOf(QStringLiteral("Cost"));
        if (fields[costColumn].isEmpty()) {
            row[costColumn] = QVariant();
        } else {
            const std::optional<double> cost = Numbers::parse(fields[costColumn]);
            if (!cost)
                throw AppError(
                    QStringLiteral("Цена «%1» не является числом.").arg(fields[costColumn]), path,
                    lineNumber);
            row[costColumn] = *cost;
        }
        rows << row;
    }
    return rows;
}

} // namespace

void load(const Database &catalogue, const QString &goodsFile, const QString &groupsFile)
{
    const QList<QVariantList> goods = readGoods(goodsFile);
    QStringList groups;
    const QStringList groupLines = readLines(groupsFile);
    for (int i = 0; i < groupLines.size(); ++i) {
        const QString group = groupLines[i].trimmed();
        if (group.isEmpty())
            continue;
        if (group.size() > Schema::kGroupNameLength)
            throw AppError(
                QStringLiteral("Имя группы длиннее %1 символов.").arg(Schema::kGroupNameLength),
                groupsFile, i + 1);
        groups << group;
    }

    catalogue.inTransaction([&] {
        QSqlQuery insertGood = catalogue.prepare(
            QStringLiteral("INSERT INTO dorvik_data (%1) VALUES (?%2)")
                .arg(Schema::kGoodsColumns.join(u','),
                     QStringLiteral(",?").repeated(Schema::kGoodsColumns.size() - 1)));
        for (const QVariantList &row : goods) {
            for (int column = 0; column < row.size(); ++column)
                insertGood.bindValue(column, row[column]);
            catalogue.execPrepared(insertGood);
        }
        QSqlQuery insertGroup = catalogue.prepare(
            QStringLiteral("INSERT INTO dorvik_gruppa (name_gruppa, Numb) VALUES (?, ?)"));
        for (int place = 0; place < groups.size(); ++place) {
            insertGroup.bindValue(0, groups[place]);
            insertGroup.bindValue(1, place);
            catalogue.execPrepared(insertGroup);
        }
    });
}

} // namespace CatalogueSeed
