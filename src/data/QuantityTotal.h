#pragma once

#include <QString>

class PositionsTable;

// The total quantity beside the editor's price box: the sum of the
// quantities of the positions that the group filter box names, or else the
// maker filter box, following the boxes' texts rather than the grid's
// filter. "Неопределенные" counts the positions without a group.
namespace QuantityTotal {

double compute(const PositionsTable &positions, const QString &groupText, const QString &makerText);

} // namespace QuantityTotal
