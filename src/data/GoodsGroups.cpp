#include "GoodsGroups.h"

#include "Statement.h"

QStringList goodsGroups(const Database &catalogue)
{
    QStringList groups;
    Statement select(catalogue, QStringLiteral("SELECT DISTINCT Gruppa FROM dorvik_data "
                                               "WHERE Gruppa <> '' ORDER BY Gruppa"));
    while (select.next())
        groups << select.text(0);
    return groups;
}
