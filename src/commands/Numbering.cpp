#include "Numbering.h"

#include "PositionFilter.h"
#include "PositionsEdit.h"
#include "PositionsTable.h"
#include "Prompts.h"
#include "Session.h"
#include "TextFolding.h"

#include <QCollator>
#include <QHash>
#include <QLocale>
#include <algorithm>

namespace Numbering {
namespace {

const QString kPlaceholderName = QStringLiteral("block_test");

QCollator captionOrder()
{
    QCollator collator{QLocale(QLocale::Russian, QLocale::Russia)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    return collator;
}

} // namespace

int sortAndNumber(Session &session)
{
    // A group named twice in the order takes its later place.
    QHash<QString, qint64> placeOf;
    const QStringList &order = session.groupOrder();
    for (qsizetype i = 0; i < order.size(); ++i)
        placeOf.insert(TextFolding::folded(order[i]), i);

    PositionsTable &table = session.document().positions();
    QList<Position> positions = table.read();
    for (Position &position : positions) {
        if (position.name == kPlaceholderName)
            position.name = position.caption;
        position.groupNumber = placeOf.value(TextFolding::folded(position.group),
                                             PositionFilter::kUndefinedGroupNumber);
    }
    const QCollator collator = captionOrder();
    std::stable_sort(positions.begin(), positions.end(), [&](const Position &a, const Position &b) {
        if (*a.groupNumber != *b.groupNumber)
            return *a.groupNumber < *b.groupNumber;
        return collator.compare(a.caption, b.caption) < 0;
    });

    const int total = int(positions.size());
    int undefined = 0;
    PositionsEdit::make<SortEdit>(session.document(), [&] {
        for (int i = 0; i < total; ++i) {
            Position &position = positions[i];
            position.number = i + 1;
            if (*position.groupNumber == PositionFilter::kUndefinedGroupNumber)
                ++undefined;
            table.update(
                position.key,
                {PositionsTable::Name, PositionsTable::GroupNumber, PositionsTable::Number},
                {PositionsTable::value(position, PositionsTable::Name), *position.groupNumber,
                 *position.number});
            session.reportProgress(i + 1, total);
        }
    });
    session.reportProgress(0, total);
    return undefined;
}

int removeEmptyPositions(Session &session)
{
    PositionsTable &table = session.document().positions();
    int removed = 0;
    PositionsEdit::make<RemoveEmptyEdit>(session.document(), [&] {
        for (const Position &position : table.read()) {
            if (position.quantity == 0.0 || position.group.isEmpty()) {
                table.remove(position.key);
                ++removed;
            }
        }
    });
    return removed;
}

int removeEmpty(Session &session, Prompts &prompts)
{
    if (!prompts.confirm(QStringLiteral("Удалить нулевые позиции и группу НЕОПРЕДЕЛЕННЫЕ?")))
        return 0;
    return removeEmptyPositions(session);
}

} // namespace Numbering
