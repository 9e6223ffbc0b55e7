#include "Reconciliation.h"

#include "AppError.h"
#include "Catalogue.h"
#include "PositionsTable.h"
#include "Session.h"
#include "TextFolding.h"

#include <QHash>
#include <QVariantList>
#include <algorithm>
#include <optional>
#include <tuple>

namespace Reconciliation {
namespace {

const QList<PositionsTable::Field> kCopied = {
    PositionsTable::Caption, PositionsTable::Unit, PositionsTable::Cost,  PositionsTable::Mass,
    PositionsTable::Type,    PositionsTable::Code, PositionsTable::Maker, PositionsTable::Group};

// Positions a pass over the stored ones reads and writes at a time.
constexpr int kBatch = 256;

QVariantList copiedValues(const Position &position)
{
    QVariantList values;
    for (const PositionsTable::Field field : kCopied)
        values << PositionsTable::value(position, field);
    return values;
}

// Which of the positions that spell a text differently gives the list its
// spelling: the one of the lowest group number (none is lowest of all),
// and of those the first in the editor's order (position number, none
// first, then the order stored).
struct Rank {
    std::optional<qint64> groupNumber;
    std::optional<qint64> number;
    qint64 order = 0;

    bool operator<(const Rank &other) const
    {
        return std::tie(groupNumber, number, order) <
               std::tie(other.groupNumber, other.number, other.order);
    }
};

// One entry of an editor list: a text as the positions hold it, what it is
// sorted by, and the rank of the position it was taken from.
struct ListEntry {
    QString text;
    QString key;
    Rank rank;
};

// The distinct non-empty texts of one field, letter case ignored.
class DistinctTexts {
public:
    void note(const QString &text, const Rank &rank)
    {
        if (text.isEmpty())
            return;
        // Most positions repeat a text exactly, which is then folded only once.
        auto known = m_placeOfText.constFind(text);
        if (known == m_placeOfText.constEnd()) {
            const QString key = TextFolding::folded(text);
            known = m_placeOfKey.constFind(key);
            if (known == m_placeOfKey.constEnd()) {
                known = m_placeOfKey.insert(key, m_entries.size());
                m_entries.append({text, key, rank});
            }
            known = m_placeOfText.insert(text, *known);
        }
        ListEntry &entry = m_entries[*known];
        if (rank < entry.rank) {
            entry.rank = rank;
            entry.text = text;
        }
    }

    const QList<ListEntry> &entries() const { return m_entries; }

private:
    QList<ListEntry> m_entries;
    QHash<QString, qsizetype> m_placeOfText;
    QHash<QString, qsizetype> m_placeOfKey;
};

} // namespace

// The group filter list (groups by the first place they take in the group
// order) and the maker filter list (alphabetical) of the positions noted,
// in whatever order they come.
class FilterLists {
public:
    // order: the position's place in the order the positions were stored.
    void note(const Position &position, qint64 order)
    {
        const Rank rank{position.groupNumber, position.number, order};
        m_groups.note(position.group, rank);
        m_makers.note(position.maker, rank);
    }

    QStringList groupFilters() const
    {
        QList<ListEntry> groups = m_groups.entries();
        std::sort(groups.begin(), groups.end(), [](const ListEntry &a, const ListEntry &b) {
            return std::tie(a.rank.groupNumber, a.key) < std::tie(b.rank.groupNumber, b.key);
        });
        QStringList filters{Session::kUndefinedGroupItem, Session::kAllGroupsItem};
        for (const ListEntry &group : std::as_const(groups))
            if (!filters.contains(group.text, Qt::CaseSensitive))
                filters << group.text;
        return filters;
    }

    QStringList makerFilters() const
    {
        QList<ListEntry> makers = m_makers.entries();
        std::sort(makers.begin(), makers.end(),
                  [](const ListEntry &a, const ListEntry &b) { return a.key < b.key; });
        QStringList filters{Session::kAllMakersItem};
        for (const ListEntry &maker : std::as_const(makers))
            filters << maker.text;
        return filters;
    }

private:
    DistinctTexts m_groups;
    DistinctTexts m_makers;
};

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

Pass::Pass(Session &session, bool mayGoWithout)
    : m_session(session), m_lists(std::make_unique<FilterLists>())
{
    try {
        m_lookup = session.goods().lookup();
        m_catalogueGroups = session.goods().goodsGroups();
    } catch (const AppError &error) {
        if (!mayGoWithout || !session.catalogueOnServer())
            throw;
        m_lookup.reset();
        m_unavailable = error.message() +
                        QStringLiteral("\n\nСпецификация открыта без базы товара: её позиции не "
                                       "дополнены из базы товара.");
    }
}

Pass::~Pass() = default;

QList<bool> Pass::complete(QList<Position> &batch)
{
    QStringList names;
    names.reserve(batch.size());
    for (const Position &position : std::as_const(batch))
        names << position.name;
    const QList<std::optional<CatalogueGood>> goods =
        m_lookup ? m_lookup->find(names) : QList<std::optional<CatalogueGood>>(names.size());
    QList<bool> found(batch.size());
    for (qsizetype i = 0; i < batch.size(); ++i) {
        found[i] = goods[i].has_value();
        if (goods[i])
            takeGood(batch[i], *goods[i]);
        m_lists->note(batch[i], m_noted++);
    }
    return found;
}

void Pass::finish()
{
    m_lookup.reset();
    m_session.setLists(m_lists->groupFilters(), m_lists->makerFilters(), m_catalogueGroups);
    m_session.setPickerGroupList(QStringList{Session::kAllGroupsItem} + m_catalogueGroups);
    m_session.setViewFilter({});
}

void reconcile(Session &session)
{
    PositionsTable &table = session.document().positions();
    const int total = table.count();
    session.reportProgress(0, total);
    try {
        Pass pass(session);
        // All of it or nothing: a failure leaves the positions as they were.
        table.inTransaction([&] {
            int done = 0;
            qint64 last = 0;
            for (QList<Position> batch = table.readAfter(last, kBatch); !batch.isEmpty();
                 batch = table.readAfter(last, kBatch)) {
                last = batch.last().key;
                const QList<bool> found = pass.complete(batch);
                for (qsizetype i = 0; i < batch.size(); ++i) {
                    if (found[i])
                        table.update(batch[i].key, kCopied, copiedValues(batch[i]));
                    session.reportProgress(++done, total);
                }
            }
        });
        pass.finish();
    } catch (...) {
        session.reportProgress(0, total);
        throw;
    }
    session.reportProgress(0, total);
}

void refreshFilterLists(Session &session)
{
    FilterLists lists;
    qint64 order = 0;
    session.document().positions().forEach(
        {}, [&](Position &&position) { lists.note(position, order++); });
    session.setLists(lists.groupFilters(), lists.makerFilters(), session.groupFieldList());
}

} // namespace Reconciliation
