#pragma once

#include "Catalogue.h"

// The catalogue editor's fill row: a prefix, a group, a type, a maker and a
// unit that a double-click stamps onto one good after another.
struct FillRow {
    QString prefix;
    QString group;
    QString type;
    QString maker;
    QString unit;

    // The good with the fill row stamped on it: the prefix put before its
    // description, the group, type, maker and unit taken as they are (an
    // empty one empties its column); block name, code, mass and price stay.
    CatalogueGood stampedOn(CatalogueGood good) const;
    // Stamps the good of key in the catalogue and writes it at once;
    // returns it as written.
    StoredGood stamp(Catalogue &catalogue, const StoredGood &good) const;
};
