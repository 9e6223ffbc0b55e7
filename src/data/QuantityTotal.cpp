#include "QuantityTotal.h"

#include "PositionsTable.h"
#include "Session.h"

namespace QuantityTotal {

double compute(const PositionsTable &positions, const QString &groupText, const QString &makerText)
{
    PositionFilter filter;
    if (groupText == Session::kUndefinedGroupItem || groupText.isEmpty())
        filter.kind = PositionFilter::Kind::NoGroup;
    else if (groupText != Session::kAllGroupsItem)
        filter = {PositionFilter::Kind::Group, groupText};
    else if (makerText != Session::kAllMakersItem)
        filter = {PositionFilter::Kind::Maker, makerText};
    return positions.totalQuantity(filter);
}

} // namespace QuantityTotal
