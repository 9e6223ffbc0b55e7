#include "PickerFilter.h"

#include "Database.h"
#include "GoodsGroups.h"
#include "Session.h"
#include "TextFolding.h"

#include <QStringList>

namespace PickerFilter {
namespace {

QString containing(const QString &text)
{
    return QStringLiteral("%") + TextFolding::likeEscaped(text.toUpper()) + QStringLiteral("%");
}

const QString kLike = QStringLiteral(" LIKE ? ESCAPE '\\'");

} // namespace

QStringList groupList(Database &catalogue)
{
    catalogue.open();
    const QStringList groups = goodsGroups(catalogue);
    catalogue.close();
    return QStringList{Session::kAllGroupsItem} + groups;
}

SqlClause typing(const PickerCriteria &criteria)
{
    SqlClause clause;
    QStringList conditions;
    for (const QString &word : criteria.words.split(u' ')) {
        conditions << QStringLiteral("Caption") + kLike;
        clause.values << containing(word);
    }
    if (!criteria.group.isEmpty() && criteria.group != Session::kAllGroupsItem) {
        conditions << QStringLiteral("Gruppa = ?");
        clause.values << criteria.group;
    }
    if (!criteria.type.isEmpty()) {
        conditions << QStringLiteral("TYP") + kLike;
        clause.values << containing(criteria.type);
    }
    if (!criteria.maker.isEmpty()) {
        conditions << QStringLiteral("Firma") + kLike;
        clause.values << containing(criteria.maker);
    }
    clause.where = QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
    return clause;
}

SqlClause groupChange(const QString &group)
{
    if (group == Session::kAllGroupsItem)
        return {};
    // Goods without a group may hold an empty text or nothing at all.
    if (group.isEmpty())
        return {QStringLiteral(" WHERE Gruppa = '' OR Gruppa IS NULL"), {}};
    return {QStringLiteral(" WHERE Gruppa = ?"), {group}};
}

} // namespace PickerFilter
