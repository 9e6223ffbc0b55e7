#include "PickerFilter.h"

#include "Session.h"

namespace PickerFilter {

GoodsCriteria typing(const PickerCriteria &criteria)
{
    GoodsCriteria goods;
    goods.words = criteria.words.split(u' ');
    if (!criteria.group.isEmpty() && criteria.group != Session::kAllGroupsItem)
        goods.group = criteria.group;
    goods.type = criteria.type;
    goods.maker = criteria.maker;
    return goods;
}

GoodsCriteria groupChange(const QString &group)
{
    GoodsCriteria goods;
    if (group != Session::kAllGroupsItem)
        goods.group = group;
    return goods;
}

} // namespace PickerFilter
