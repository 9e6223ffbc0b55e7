#include "GroupOrder.h"

#include "Database.h"
#include "Statement.h"

#include <QScopeGuard>

namespace GroupOrder {
namespace {

// The names of a one-column query that are not empty; a null name (a row
// written by another tool) is as good as none.
QStringList names(Database &catalogue, const QString &sql)
{
    catalogue.open();
    const auto disconnect = qScopeGuard([&] { catalogue.close(); });
    QStringList result;
    Statement select(catalogue, sql);
    while (select.next()) {
        const QString name = select.text(0);
        if (!name.isEmpty())
            result << name;
    }
    return result;
}

} // namespace

QStringList load(Database &catalogue)
{
    // Rows that share a place keep the order in which they were written.
    return names(catalogue,
                 QStringLiteral("SELECT name_gruppa FROM dorvik_gruppa ORDER BY Numb, rowid"));
}

QStringList alphabetical(Database &catalogue)
{
    return names(catalogue,
                 QStringLiteral("SELECT name_gruppa FROM dorvik_gruppa ORDER BY name_gruppa"));
}

void rename(Database &catalogue, const QString &from, const QString &to)
{
    catalogue.open();
    const auto disconnect = qScopeGuard([&] { catalogue.close(); });
    catalogue.inTransaction([&] {
        catalogue.exec(QStringLiteral("UPDATE dorvik_gruppa SET name_gruppa = ? "
                                      "WHERE name_gruppa = ?"),
                       {to, from});
        catalogue.exec(QStringLiteral("UPDATE dorvik_data SET Gruppa = ? WHERE Gruppa = ?"),
                       {to, from});
    });
}

bool remove(Database &catalogue, const QString &group)
{
    catalogue.open();
    const auto disconnect = qScopeGuard([&] { catalogue.close(); });
    bool removed = false;
    // One transaction, so that no good can take the group between the look
    // and the deletion.
    catalogue.inTransaction([&] {
        if (!catalogue
                 .scalar(QStringLiteral("SELECT 1 FROM dorvik_data WHERE Gruppa = ? LIMIT 1"),
                         {group})
                 .isNull())
            return;
        catalogue.exec(QStringLiteral("DELETE FROM dorvik_gruppa WHERE name_gruppa = ?"), {group});
        removed = true;
    });
    return removed;
}

void write(Database &catalogue, const QStringList &groups,
           const std::function<void(int done, int total)> &progress)
{
    catalogue.open();
    const auto disconnect = qScopeGuard([&] { catalogue.close(); });
    const int total = int(groups.size());
    catalogue.inTransaction([&] {
        Statement find(catalogue,
                       QStringLiteral("SELECT 1 FROM dorvik_gruppa WHERE name_gruppa = ? LIMIT 1"));
        // Both take the place first and the name second.
        Statement place(catalogue,
                        QStringLiteral("UPDATE dorvik_gruppa SET Numb = ? WHERE name_gruppa = ?"));
        Statement insert(
            catalogue,
            QStringLiteral("INSERT INTO dorvik_gruppa (Numb, name_gruppa) VALUES (?, ?)"));
        for (int i = 0; i < total; ++i) {
            find.bind(0, groups[i]);
            const bool known = find.next();
            find.reset();
            Statement &statement = known ? place : insert;
            statement.bind(0, qint64(i));
            statement.bind(1, groups[i]);
            statement.run();
            if (progress)
                progress(i + 1, total);
        }
    });
}

} // namespace GroupOrder
