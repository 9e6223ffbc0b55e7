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

StoredGood FillRow::stamp(Catalogue &catalogue, const StoredGood &good) const
{
    StoredGood stamped{good.key, stampedOn(good.good)};
    stamped.version = catalogue.updateGood(good, stamped.good);
    return stamped;
}
