#include "CatalogueCopy.h"

#include "Catalogue.h"

CatalogueCopy::Copied CatalogueCopy::copy(Catalogue &from, Catalogue &to)
{
    Copied copied;
    const QStringList groups = from.groupOrder();
    copied.groups = int(groups.size());
    // Each good passes from one to the other as it is read: a catalogue of a
    // million goods would not fit in memory whole.
    to.replaceAll(
        [&](const auto &put) {
            from.forEachGood([&](const CatalogueGood &good) {
                put(good);
                ++copied.goods;
            });
        },
        groups);
    return copied;
}
