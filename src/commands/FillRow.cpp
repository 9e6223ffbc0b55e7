#include "FillRow.h"

CatalogueGood FillRow::stampedOn(CatalogueGood good) const
{
    good.caption = prefix + good.caption;
    good.group = group;
    good.type = type;
    good.maker = maker;
    good.unit = unit;
    return good;
}

CatalogueGood FillRow::stamp(Catalogue &catalogue, const StoredGood &good) const
{
    const CatalogueGood stamped = stampedOn(good.good);
    catalogue.updateGood(good.key, stamped);
    return stamped;
}
