#include "WrittenColumns.h"

WrittenColumns::WrittenColumns(std::initializer_list<DescriptionColumn> columns, GoodFields fields)
{
    for (const DescriptionColumn &column : columns) {
        const QString name = QLatin1String(column.name);
        const QString key = column.key ? QLatin1String(column.key) : QString();
        newColumns << name;
        if (!key.isEmpty())
            newColumns << key;
        if (fields.testFlag(column.field)) {
            given << name;
            newValues << name;
            if (!key.isEmpty()) {
                given << key;
                newValues << key;
            }
        } else {
            newValues << (column.field == GoodField::Cost ? QStringLiteral("NULL")
                                                          : QStringLiteral("''"));
            if (!key.isEmpty())
                newValues << QStringLiteral("''");
        }
    }
}
