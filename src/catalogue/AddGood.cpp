#include "AddGood.h"

#include "Numbers.h"
#include "Prompts.h"
#include "RowsModel.h"
#include "Session.h"
#include "Statement.h"
#include "TextFolding.h"

namespace AddGood {
namespace {

QString quantityText(const QVariant &quantity)
{
    return quantity.isNull() ? QString() : Numbers::general(quantity.toDouble());
}

} // namespace

std::optional<double> mergeTotal(const QString &existing, const QString &increment)
{
    const auto read = [](const QString &text) -> std::optional<double> {
        return text.trimmed().isEmpty() ? std::optional<double>(0.0) : Numbers::parse(text);
    };
    const std::optional<double> first = read(existing);
    const std::optional<double> second = read(increment);
    if (!first || !second)
        return std::nullopt;
    // Two numbers that each fit may add up to one that no file can hold.
    const double total = *first + *second;
    if (!Numbers::fits(total))
        return std::nullopt;
    return total;
}

Outcome add(Session &session, RowsModel &positions, int currentRow, const Good &good,
            Prompts &prompts, const MergeDialog &mergeDialog)
{
    if (currentRow < 0 || currentRow >= positions.rowCount())
        return Outcome::Unchanged;
    const QString currentName = positions.field(currentRow, QStringLiteral("Name")).toString();
    if (TextFolding::equal(good.name, currentName))
        return Outcome::Unchanged;

    Database &working = session.working();
    Statement lookup(working, QStringLiteral("SELECT Caption, TYP, COD, Firma, Abb, KOL FROM data "
                                             "WHERE Name = ? ORDER BY RowKey LIMIT 1"));
    lookup.bind(0, good.name);
    if (lookup.next()) {
        DuplicatePosition duplicate{
            good.name,
            lookup.text(0),
            lookup.text(1),
            lookup.text(2),
            lookup.text(3),
            lookup.text(4),
            quantityText(lookup.value(5)),
            quantityText(positions.field(currentRow, QStringLiteral("KOL")))};
        lookup.reset();
        const std::optional<double> total = mergeDialog(duplicate);
        if (!total)
            return Outcome::MergeCancelled;
        Statement update(working, QStringLiteral("UPDATE data SET KOL = ? WHERE Name = ?"));
        update.bind(0, *total);
        update.bind(1, good.name);
        update.run();
        positions.removeRecord(currentRow);
        session.setModified(true);
        return Outcome::Merged;
    }
    lookup.reset();

    if (!currentName.isEmpty()) {
        const QString question =
            QStringLiteral("Заменить позицию \"%1\" на \"%2\"?")
                .arg(positions.field(currentRow, QStringLiteral("Caption")).toString(),
                     good.caption);
        if (!prompts.confirm(question))
            return Outcome::Declined;
    }
    const bool filled = positions.setFields(
        currentRow,
        {QStringLiteral("Name"), QStringLiteral("Caption"), QStringLiteral("Abb"),
         QStringLiteral("Cost"), QStringLiteral("M"), QStringLiteral("TYP"), QStringLiteral("COD"),
         QStringLiteral("Firma"), QStringLiteral("Gruppa")},
        {good.name, good.caption, good.unit, good.cost, good.mass, good.type, good.code, good.maker,
         good.group});
    if (!filled)
        return Outcome::Unchanged;
    session.addGroupFilterItem(good.group);
    return Outcome::Filled;
}

} // namespace AddGood
