#pragma once

#include "Catalogue.h"

// What "catalogue check" finds in a catalogue: how many goods and groups it
// holds, the goods without a group (an empty one, or one the group order
// lacks, which numbering cannot place) and the goods whose block names
// differ in letter case only, of which a look-up by name finds the first.
namespace CatalogueCheck {

struct Findings {
    int goods = 0;
    int groups = 0;
    QList<StoredGood> ungrouped; // in the order they were stored
    QList<NamesakeGoods> namesakes;
};

Findings examine(Catalogue &catalogue);

} // namespace CatalogueCheck
