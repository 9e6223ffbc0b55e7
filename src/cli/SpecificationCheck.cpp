#include "SpecificationCheck.h"

#include "Session.h"
#include "Statement.h"

#include <QScopeGuard>
#include <QSet>

namespace SpecificationCheck {

Findings examine(Session &session)
{
    // Names and groups compare as the databases compare them.
    QSet<QString> groups;
    for (const QString &group : session.groupOrder())
        groups.insert(group.toCaseFolded());

    Findings findings;
    QStringList names;
    QSet<QString> seen;
    Database &working = session.working();
    working.open();
    Statement positions(working, QStringLiteral("SELECT POZ, Name, Gruppa FROM data "
                                                "ORDER BY POZ, RowKey"));
    while (positions.next()) {
        const QString name = positions.text(1);
        const QString group = positions.text(2);
        if (group.isEmpty() || !groups.contains(group.toCaseFolded()))
            findings.ungrouped.append({positions.integer(0), name});
        // A position without a name is not looked up, as reconciliation
        // does not look it up either.
        if (!name.isEmpty() && !seen.contains(name.toCaseFolded())) {
            seen.insert(name.toCaseFolded());
            names << name;
        }
    }

    Database &catalogue = session.catalogue();
    catalogue.open();
    const auto disconnect = qScopeGuard([&] { catalogue.close(); });
    catalogue.inTransaction([&] {
        Statement lookup(catalogue,
                         QStringLiteral("SELECT 1 FROM dorvik_data WHERE Name = ? LIMIT 1"));
        for (const QString &name : std::as_const(names)) {
            lookup.bind(0, name);
            if (!lookup.next())
                findings.unknownNames << name;
            lookup.reset();
        }
    });
    return findings;
}

} // namespace SpecificationCheck
