#pragma once

#include <QStringList>

class Database;

// The groups that goods of the catalogue carry, non-empty, in alphabetical
// order (letter case ignored). The catalogue must be open.
QStringList goodsGroups(const Database &catalogue);
