#include "SpecificationCheck.h"

#include "Catalogue.h"
#include "Session.h"
#include "TextFolding.h"

#include <QSet>
#include <memory>

namespace SpecificationCheck {

Findings examine(Session &session)
{
    // Names and groups compare as the databases compare them.
    QSet<QString> groups;
    for (const QString &group : session.groupOrder())
        groups.insert(TextFolding::folded(group));

    // The positions stream by; their names are looked up a batch at a time,
    // and only those the catalogue lacks are kept, to name each once.
    constexpr int kBatch = 256;
    Findings findings;
    const std::unique_ptr<GoodsLookup> lookup = session.goods().lookup();
    QSet<QString> unknown;
    QStringList names;
    const auto lookUp = [&] {
        const QList<std::optional<CatalogueGood>> goods = lookup->find(names);
        for (qsizetype i = 0; i < names.size(); ++i) {
            if (goods[i])
                continue;
            const QString key = TextFolding::folded(names[i]);
            if (!unknown.contains(key)) {
                unknown.insert(key);
                findings.unknownNames << names[i];
            }
        }
        names.clear();
    };
    session.document().positions().forEach({}, [&](::Position &&position) {
        if (position.group.isEmpty() || !groups.contains(TextFolding::folded(position.group)))
            findings.ungrouped.append({position.number.value_or(0), position.name});
        // A position without a name is not looked up, as reconciliation
        // does not look it up either.
        if (!position.name.isEmpty())
            names << position.name;
        if (names.size() == kBatch)
            lookUp();
    });
    lookUp();
    return findings;
}

} // namespace SpecificationCheck
