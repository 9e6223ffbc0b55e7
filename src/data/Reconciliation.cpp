#include "Reconciliation.h"

#include "Catalogue.h"
#include "PositionsTable.h"
#include "Session.h"
#include "TextFolding.h"

#include <QHash>
#include <QStringList>
#include <QVariantList>
#include <algorithm>

namespace Reconciliation {
namespace {

const QList<PositionsTable::Field> kCopied = {
    PositionsTable::Caption, PositionsTable::Unit, PositionsTable::Cost,  PositionsTable::Mass,
    PositionsTable::Type,    PositionsTable::Code, PositionsTable::Maker, PositionsTable::Group};

} // namespace

void takeGood(Position &position, const CatalogueGood &good)
{
    position.caption = good.caption;
    position.unit = good.unit;
    // An empty price stays empty.
    position.cost = good.cost.isNull() ? std::nullopt : std::optional(good.cost.toDouble());
    position.mass = good.mass;
    position.type = good.type;
    position.code = good.code;
    position.maker = good.maker;
    position.group = good.group;
}

namespace {

QVariantList copiedValues(const Position &position)
{
    QVariantList values;
    for (const PositionsTable::Field field : kCopied)
        values << PositionsTable::value(position, field);
    return values;
}

// One entry of an editor list: a text as the positions hold it, and what it
// is sorted by. Texts that differ in letter case only make one entry.
struct ListEntry {
    QString text;
    QString key;
    std::optional<qint64> groupNumber; // the least of the positions' numbers
};

// The distinct non-empty texts of one field, letter case ignored, in the
// order the positions are read; the first spelling stands for the others.
QList<ListEntry> distinct(const QList<Position> &positions, QString Position::*field)
{
    QList<ListEntry> entries;
    // Most positions repeat a text exactly, which is then folded only once.
    QHash<QString, qsizetype> placeOfText;
    QHash<QString, qsizetype> placeOfKey;
    for (const Position &position : positions) {
        const QString &text = position.*field;
        if (text.isEmpty())
            continue;
        auto known = placeOfText.constFind(text);
        if (known == placeOfText.constEnd()) {
            const QString key = TextFolding::folded(text);
            known = placeOfKey.constFind(key);
            if (known == placeOfKey.constEnd()) {
                known = placeOfKey.insert(key, entries.size());
                entries.append({text, key, position.groupNumber});
            }
            known = placeOfText.insert(text, *known);
        }
        ListEntry &entry = entries[*known];
        // A position without a group number comes before every number.
        if (entry.groupNumber &&
            (!position.groupNumber || *position.groupNumber < *entry.groupNumber)) {
            entry.groupNumber = position.groupNumber;
            entry.text = text;
        }
    }
    return entries;
}

// The group filter list (groups by the first place they take in the group
// order) and the maker filter list (alphabetical) of these positions.
std::pair<QStringList, QStringList> filterLists(const QList<Position> &positions)
{
    QList<ListEntry> groups = distinct(positions, &Position::group);
    std::stable_sort(groups.begin(), groups.end(), [](const ListEntry &a, const ListEntry &b) {
        if (a.groupNumber != b.groupNumber)
            return a.groupNumber < b.groupNumber;
        return a.key < b.key;
    });
    QStringList groupFilters{Session::kUndefinedGroupItem, Session::kAllGroupsItem};
    for (const ListEntry &group : std::as_const(groups))
        if (!groupFilters.contains(group.text, Qt::CaseSensitive))
            groupFilters << group.text;

    QList<ListEntry> makers = distinct(positions, &Position::maker);
    std::stable_sort(makers.begin(), makers.end(),
                     [](const ListEntry &a, const ListEntry &b) { return a.key < b.key; });
    QStringList makerFilters{Session::kAllMakersItem};
    for (const ListEntry &maker : std::as_const(makers))
        makerFilters << maker.text;

    return {groupFilters, makerFilters};
}

} // namespace

void reconcile(Session &session)
{
    PositionsTable &table = session.document().positions();
    QList<Position> positions = table.read();
    const int total = int(positions.size());
    session.reportProgress(0, total);

    QStringList catalogueGroups;
    try {
        QStringList names;
        names.reserve(total);
        for (const Position &position : std::as_const(positions))
            names << position.name;
        const QList<std::optional<CatalogueGood>> goods = session.goods().find(names);
        catalogueGroups = session.goods().goodsGroups();
        // All of it or nothing: a failure leaves the positions as they were.
        table.inTransaction([&] {
            for (int entry = 0; entry < total; ++entry) {
                if (goods[entry]) {
                    takeGood(positions[entry], *goods[entry]);
                    table.update(positions[entry].key, kCopied, copiedValues(positions[entry]));
                }
                session.reportProgress(entry + 1, total);
            }
        });
    } catch (...) {
        session.reportProgress(0, total);
        throw;
    }

    const auto [groupFilters, makerFilters] = filterLists(positions);
    session.setLists(groupFilters, makerFilters, catalogueGroups);
    session.setPickerGroupList(QStringList{Session::kAllGroupsItem} + catalogueGroups);
    session.setViewFilter({});
    session.reportProgress(0, total);
}

void refreshFilterLists(Session &session)
{
    const auto [groupFilters, makerFilters] = filterLists(session.document().positions().read());
    session.setLists(groupFilters, makerFilters, session.groupFieldList());
}

} // namespace Reconciliation
