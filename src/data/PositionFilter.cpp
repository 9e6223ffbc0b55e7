#include "PositionFilter.h"

QString PositionFilter::whereClause() const
{
    switch (kind) {
    case Kind::Group:
        return QStringLiteral(" WHERE Gruppa = ? COLLATE FOLD");
    case Kind::UndefinedGroup:
        return QStringLiteral(" WHERE NG = %1").arg(kUndefinedGroupNumber);
    case Kind::Maker:
        return QStringLiteral(" WHERE Firma = ? COLLATE FOLD");
    case Kind::NoGroup:
        return QStringLiteral(" WHERE Gruppa = '' OR Gruppa IS NULL");
    case Kind::All:
        break;
    }
    return {};
}

QVariantList PositionFilter::values() const
{
    // A filter on an empty text asks for empty text, never for "no value":
    // the editor and the group save must select the same rows.
    if (kind == Kind::Group || kind == Kind::Maker)
        return {value.isNull() ? QStringLiteral("") : value};
    return {};
}
