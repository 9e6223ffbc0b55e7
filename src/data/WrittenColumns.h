#pragma once

#include "Catalogue.h"

#include <QStringList>
#include <initializer_list>

// A column of a good's description as a catalogue's table names it, the
// field a write of goods may give it, and the column of its folded key, if
// it has one.
struct DescriptionColumn {
    GoodField field;
    const char *name;
    const char *key;
};

// What a bulk write of goods with a choice of fields touches: the columns
// (with their keys) that matched goods take, and the columns and values of
// a new good, which holds what it is given and nothing else (no price, empty
// texts, the empty key).
struct WrittenColumns {
    QStringList given;
    QStringList newColumns;
    QStringList newValues;

    WrittenColumns(std::initializer_list<DescriptionColumn> columns, GoodFields fields);
};
