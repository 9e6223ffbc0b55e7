#include "PositionFilter.h"

#include "TextFolding.h"

QString PositionFilter::whereClause() const
{
    switch (kind) {
    case Kind::UndefinedGroup:
        return QStringLiteral(" WHERE NG = %1").arg(kUndefinedGroupNumber);
    case Kind::NoGroup:
        return QStringLiteral(" WHERE Gruppa = '' OR Gruppa IS NULL");
    case Kind::Group:
    case Kind::Maker:
    case Kind::All:
        break;
    }
    return {};
}

bool PositionFilter::admits(const QString &group, const QString &maker) const
{
    // A filter on an empty text asks for empty text, never for "no value":
    // the editor and the group save must select the same rows.
    switch (kind) {
    case Kind::Group:
        return !group.isNull() && TextFolding::equal(group, value);
    case Kind::Maker:
        return !maker.isNull() && TextFolding::equal(maker, value);
    default:
        return true;
    }
}
