#include "QuantityTotal.h"

#include "Database.h"
#include "Session.h"
#include "Statement.h"

namespace QuantityTotal {

double compute(const Database &working, const QString &groupText, const QString &makerText)
{
    QString where;
    QString value;
    if (groupText == Session::kUndefinedGroupItem || groupText.isEmpty()) {
        where = QStringLiteral(" WHERE Gruppa = '' OR Gruppa IS NULL");
    } else if (groupText != Session::kAllGroupsItem) {
        where = QStringLiteral(" WHERE Gruppa = ?");
        value = groupText;
    } else if (makerText != Session::kAllMakersItem) {
        where = QStringLiteral(" WHERE Firma = ?");
        value = makerText;
    }
    Statement sum(working, QStringLiteral("SELECT SUM(KOL) FROM data") + where);
    if (!value.isNull())
        sum.bind(0, value);
    // The sum of no rows, or of empty quantities only, is nothing: 0.
    return sum.next() ? sum.real(0) : 0.0;
}

} // namespace QuantityTotal
