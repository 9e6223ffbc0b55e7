#include "Reconciliation.h"

#include "GoodsGroups.h"
#include "Session.h"
#include "Statement.h"

#include <QHash>
#include <QStringList>
#include <QVariantList>

namespace Reconciliation {
namespace {

constexpr int kProgressStep = 64;

const QStringList kCopied = {QStringLiteral("Caption"), QStringLiteral("Abb"),
                             QStringLiteral("Cost"),    QStringLiteral("M"),
                             QStringLiteral("TYP"),     QStringLiteral("COD"),
                             QStringLiteral("Firma"),   QStringLiteral("Gruppa")};

// Appends the first column's non-empty texts that the list lacks.
void appendNew(Statement &select, QStringList &list)
{
    while (select.next()) {
        const QString text = select.text(0);
        if (!text.isEmpty() && !list.contains(text, Qt::CaseSensitive))
            list << text;
    }
}

} // namespace

void reconcile(Session &session)
{
    Database &working = session.working();
    Database &catalogue = session.catalogue();
    working.open();

    QStringList names;
    {
        Statement select(working, QStringLiteral("SELECT Name FROM data WHERE Name <> '' "
                                                 "ORDER BY POZ, RowKey"));
        while (select.next())
            names << select.text(0);
    }
    const int total = int(names.size());
    session.reportProgress(0, total);

    catalogue.open();
    QStringList catalogueGroups;
    try {
        Statement lookup(catalogue, QStringLiteral("SELECT %1 FROM dorvik_data WHERE Name = ? "
                                                   "ORDER BY RowKey LIMIT 1")
                                        .arg(kCopied.join(u',')));
        QStringList assignments;
        for (const QString &column : kCopied)
            assignments << column + QStringLiteral(" = ?");
        // All of it or nothing: a failure leaves the positions as they were.
        // The catalogue is read in one read transaction too, which spares a
        // lock and a check of the file for every look-up.
        catalogue.inTransaction([&] {
            working.inTransaction([&] {
                Statement update(working, QStringLiteral("UPDATE data SET %1 WHERE Name = ?")
                                              .arg(assignments.join(QStringLiteral(", "))));
                // A name met again was brought up to date with all its namesakes.
                QHash<QString, bool> done;
                for (int entry = 0; entry < total; ++entry) {
                    const QString key = names[entry].toCaseFolded();
                    if (!done.contains(key)) {
                        done.insert(key, true);
                        lookup.bind(0, names[entry]);
                        if (lookup.next()) {
                            for (int column = 0; column < kCopied.size(); ++column)
                                update.bind(column,
                                            lookup.value(column)); // an empty price stays empty
                            update.bind(int(kCopied.size()), names[entry]);
                            update.run();
                        }
                        lookup.reset();
                    }
                    if ((entry + 1) % kProgressStep == 0 || entry + 1 == total)
                        session.reportProgress(entry + 1, total);
                }
            });
        });
        catalogueGroups = goodsGroups(catalogue);
    } catch (...) {
        catalogue.close();
        session.reportProgress(0, total);
        throw;
    }
    catalogue.close();

    QStringList groupFilters{Session::kUndefinedGroupItem, Session::kAllGroupsItem};
    Statement specificationGroups(
        working, QStringLiteral("SELECT Gruppa, MIN(NG) AS first FROM data GROUP BY Gruppa "
                                "ORDER BY first, Gruppa"));
    appendNew(specificationGroups, groupFilters);
    QStringList makerFilters{Session::kAllMakersItem};
    Statement makers(working,
                     QStringLiteral("SELECT Firma FROM data GROUP BY Firma ORDER BY Firma"));
    appendNew(makers, makerFilters);

    session.setLists(groupFilters, makerFilters, catalogueGroups);
    session.setPickerGroupList(QStringList{Session::kAllGroupsItem} + catalogueGroups);
    session.setViewFilter({});
    session.reportProgress(0, total);
}

} // namespace Reconciliation
