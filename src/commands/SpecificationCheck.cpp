#include "SpecificationCheck.h"

#include "Catalogue.h"
#include "Session.h"
#include "TextFolding.h"

#include <QSet>

namespace SpecificationCheck {

Findings examine(Session &session)
{
    // Names and groups compare as the databases compare them.
    QSet<QString> groups;
    for (const QString &group : session.groupOrder())
        groups.insert(TextFolding::folded(group));

    Findings findings;
    QStringList names;
    QSet<QString> seen;
    for (const ::Position &position : session.document().positions().read()) {
        if (position.group.isEmpty() || !groups.contains(TextFolding::folded(position.group)))
            findings.ungrouped.append({position.number.value_or(0), position.name});
        // A position without a name is not looked up, as reconciliation
        // does not look it up either.
        const QString key = TextFolding::folded(position.name);
        if (!position.name.isEmpty() && !seen.contains(key)) {
            seen.insert(key);
            names << position.name;
        }
    }
    const QList<std::optional<CatalogueGood>> goods = session.goods().find(names);
    for (int i = 0; i < names.size(); ++i) {
        if (!goods.value(i))
            findings.unknownNames << names[i];
    }
    return findings;
}

} // namespace SpecificationCheck
