#include "PutGood.h"

#include "Numbers.h"
#include "PositionsEdit.h"
#include "PositionsTable.h"
#include "Prompts.h"
#include "Reconciliation.h"
#include "Session.h"
#include "TextFolding.h"

namespace PutGood {
namespace {

QString quantityText(const std::optional<double> &quantity)
{
    return quantity ? Numbers::general(*quantity) : QString();
}

} // namespace

std::optional<double> mergeTotal(const QString &existing, const QString &increment)
{
    const auto read = [](const QString &text) -> std::optional<double> {
        if (Numbers::quantityFault(text))
            return std::nullopt;
        return text.trimmed().isEmpty() ? std::optional<double>(0.0) : Numbers::parse(text);
    };
    const std::optional<double> first = read(existing);
    const std::optional<double> second = read(increment);
    if (!first || !second)
        return std::nullopt;
    // Two quantities that each fit may add up to one that no document holds.
    const double total = *first + *second;
    if (!Numbers::isQuantity(total))
        return std::nullopt;
    return total;
}

Outcome put(Session &session, Prompts &prompts, qint64 currentKey, const Good &good,
            const MergeDialog &mergeDialog)
{
    SpecificationDocument &document = session.document();
    PositionsTable &positions = document.positions();
    // Key 0: a row being added, or no row at all; the good becomes a new
    // position.
    std::optional<Position> current;
    if (currentKey != 0) {
        current = positions.find(currentKey);
        if (!current || TextFolding::equal(good.name, current->name))
            return Outcome::Unchanged;
    }

    // The first other position holding the good, in the order they were stored.
    const QList<Position> all = positions.read();
    std::optional<Position> holder;
    for (const Position &position : all) {
        if (position.key != currentKey && TextFolding::equal(position.name, good.name) &&
            (!holder || position.key < holder->key))
            holder = position;
    }
    if (holder) {
        const DuplicatePosition duplicate{good.name,
                                          holder->caption,
                                          holder->type,
                                          holder->code,
                                          holder->maker,
                                          holder->unit,
                                          quantityText(holder->quantity),
                                          current ? quantityText(current->quantity) : QString()};
        const std::optional<double> total = mergeDialog(duplicate);
        if (!total)
            return Outcome::MergeCancelled;
        PositionsEdit::make<MergeDuplicateEdit>(
            document,
            [&] {
                for (const Position &position : all) {
                    if (position.key != currentKey && TextFolding::equal(position.name, good.name))
                        positions.update(position.key, {PositionsTable::Quantity}, {*total});
                }
                if (current)
                    positions.remove(currentKey);
            },
            good.name);
        return Outcome::Merged;
    }

    if (current && !current->name.isEmpty()) {
        const QString question = QStringLiteral("Заменить позицию \"%1\" на \"%2\"?")
                                     .arg(current->caption, good.caption);
        if (!prompts.confirm(question))
            return Outcome::Declined;
    }
    Position filled = current.value_or(Position{});
    filled.name = good.name;
    Reconciliation::takeGood(filled, good);
    PositionsEdit::make<PutGoodEdit>(
        document,
        [&] {
            if (current)
                positions.update(filled);
            else
                positions.insert(filled);
        },
        good.name);
    session.addGroupFilterItem(good.group);
    return Outcome::Filled;
}

} // namespace PutGood
