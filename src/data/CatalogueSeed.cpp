#include "CatalogueSeed.h"

#include "AppError.h"
#include "Catalogue.h"
#include "Numbers.h"
#include "Schema.h"

#include <QFile>
#include <QList>

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

QList<CatalogueGood> readGoods(const QString &path)
{
    const QStringList lines = readLines(path);
    if (lines.isEmpty() || lines.first().split(u'\t') != Schema::kGoodsColumns)
        throw AppError(QStringLiteral("Первая строка должна перечислять столбцы: ") +
                           Schema::kGoodsColumns.join(u' '),
                       path, 1);
    QList<CatalogueGood> goods;
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
        // The columns in the order of the header, which is the table's.
        CatalogueGood good{fields[0], fields[1], fields[2], {},       fields[4],
                           fields[5], fields[6], fields[7], fields[8]};
        if (!fields[3].isEmpty()) {
            const std::optional<double> cost = Numbers::parse(fields[3]);
            if (!cost)
                throw AppError(QStringLiteral("Цена «%1» не является числом.").arg(fields[3]), path,
                               lineNumber);
            good.cost = *cost;
        }
        goods << good;
    }
    return goods;
}

} // namespace

void load(Catalogue &catalogue, const QString &goodsFile, const QString &groupsFile)
{
    const QList<CatalogueGood> goods = readGoods(goodsFile);
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
    catalogue.writeGoods(goods, {});
    catalogue.writeGroupOrder(groups, 0, {});
}

} // namespace CatalogueSeed
