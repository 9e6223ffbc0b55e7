#include "CatalogueCheck.h"

#include "TextFolding.h"

#include <QSet>
#include <algorithm>
#include <limits>

namespace CatalogueCheck {
namespace {

QList<StoredGood> allOf(Catalogue &catalogue, const GoodsCriteria &criteria)
{
    constexpr int kPage = 4096;
    QList<StoredGood> goods;
    qint64 after = std::numeric_limits<qint64>::min();
    for (;;) {
        const QList<StoredGood> page = catalogue.findGoods(criteria, after, kPage);
        goods << page;
        if (page.size() < kPage)
            return goods;
        after = page.last().key;
    }
}

} // namespace

Findings examine(Catalogue &catalogue)
{
    const auto held = catalogue.hold();
    Findings findings;
    findings.goods = catalogue.countGoods({});
    const QStringList order = catalogue.groupOrder();
    findings.groups = int(order.size());

    QSet<QString> known;
    for (const QString &group : order)
        known.insert(TextFolding::folded(group));
    GoodsCriteria ungrouped;
    ungrouped.group = QString();
    findings.ungrouped = allOf(catalogue, ungrouped);
    for (const QString &group : catalogue.goodsGroups()) {
        if (known.contains(TextFolding::folded(group)))
            continue;
        GoodsCriteria ofGroup;
        ofGroup.group = group;
        findings.ungrouped << allOf(catalogue, ofGroup);
    }
    std::sort(findings.ungrouped.begin(), findings.ungrouped.end(),
              [](const StoredGood &a, const StoredGood &b) { return a.key < b.key; });
    findings.namesakes = catalogue.namesakes();
    return findings;
}

} // namespace CatalogueCheck
