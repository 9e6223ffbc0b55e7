#include "CatalogueCopy.h"

#include "Catalogue.h"

CatalogueCopy::Copied CatalogueCopy::copy(Catalogue &from, Catalogue &to)
{
    QList<CatalogueGood> goods;
    from.forEachGood([&](const CatalogueGood &good) { goods << good; });
    const QStringList groups = from.groupOrder();
    to.replaceAll(goods, groups);
    return {int(goods.size()), int(groups.size())};
}
