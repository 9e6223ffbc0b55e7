#include "PositionFilter.h"

QString PositionFilter::whereClause() const
{
    switch (kind) {
    case Kind::Group:
        return QStringLiteral(" WHERE Gruppa = ?");
    case Kind::UndefinedGroup:
        return QStringLiteral(" WHERE NG = %1").arg(kUndefinedGroupNumber);
    case Kind::Maker:
        return QStringLiteral(" WHERE Firma = ?");
    case Kind::All:
        break;
    }
    return {};
}

QVariantList PositionFilter::values() const
{
    if (kind == Kind::Group || kind == Kind::Maker)
        return {value};
    return {};
}
