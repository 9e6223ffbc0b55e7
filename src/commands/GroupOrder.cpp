#include "GroupOrder.h"

#include "AppError.h"
#include "Catalogue.h"
#include "Prompts.h"
#include "Session.h"

namespace GroupOrder {

const QString kNewGroup = QStringLiteral("Новая группа");

namespace {

// The change was refused because someone else changed the order: the user
// decides whether the list gives way to the catalogue's order, losing the
// moves and additions not yet written, or stays for numbering as it is.
Result offerReload(Session &session, Prompts &prompts, const StaleWrite &refusal)
{
    if (!prompts.confirm(refusal.message() +
                         QStringLiteral("\n\nЗагрузить порядок групп из базы товара заново? "
                                        "Перемещения и новые группы, ещё не записанные кнопкой "
                                        "«OK», пропадут.")))
        return Result::Refused;
    load(session);
    return Result::Reloaded;
}

int firstPlace(const Session &session)
{
    return session.groupOrder().isEmpty() ? -1 : 0;
}

} // namespace

void load(Session &session)
{
    const GroupOrderRead read = session.goods().readGroupOrder();
    session.setGroupOrderVersion(read.version);
    session.setGroupOrder(read.groups);
}

int move(Session &session, int from, int to)
{
    QStringList order = session.groupOrder();
    if (from < 0 || to < 0 || from >= order.size() || to >= order.size())
        return from;
    order.move(from, to);
    session.setGroupOrder(order);
    return to;
}

int add(Session &session)
{
    session.setGroupOrder(session.groupOrder() + QStringList{kNewGroup});
    return int(session.groupOrder().size()) - 1;
}

std::optional<int> rename(Session &session, Prompts &prompts, int place, const QString &name)
{
    QStringList order = session.groupOrder();
    if (place < 0 || place >= order.size())
        return std::nullopt;
    if (order[place] == name)
        return place;
    try {
        session.setGroupOrderVersion(
            session.goods().renameGroup(order[place], name, session.groupOrderVersion()));
    } catch (const StaleWrite &refusal) {
        if (offerReload(session, prompts, refusal) == Result::Reloaded)
            return firstPlace(session);
        return std::nullopt;
    }
    order[place] = name;
    session.setGroupOrder(order);
    return place;
}

std::optional<int> remove(Session &session, Prompts &prompts, int place)
{
    QStringList order = session.groupOrder();
    if (place < 0 || place >= order.size())
        return std::nullopt;
    const QString group = order[place];
    std::optional<qint64> version;
    try {
        version = session.goods().removeGroup(group, session.groupOrderVersion());
    } catch (const StaleWrite &refusal) {
        if (offerReload(session, prompts, refusal) == Result::Reloaded)
            return firstPlace(session);
        return std::nullopt;
    }
    if (!version) {
        prompts.notify(QStringLiteral("Невозвожно удалить группу \"") + group +
                       QStringLiteral("\"!"));
        return std::nullopt;
    }
    session.setGroupOrderVersion(*version);
    order.removeAt(place);
    session.setGroupOrder(order);
    return order.isEmpty() ? -1 : qMax(place - 1, 0);
}

Result writeOrder(Session &session, Prompts &prompts)
{
    const QStringList order = session.groupOrder();
    const int total = int(order.size());
    session.reportProgress(0, total);
    try {
        session.setGroupOrderVersion(session.goods().writeGroupOrder(
            order, session.groupOrderVersion(),
            [&session](int done, int total) { session.reportProgress(done, total); }));
    } catch (const StaleWrite &refusal) {
        session.reportProgress(0, total);
        return offerReload(session, prompts, refusal);
    } catch (...) {
        session.reportProgress(0, total);
        throw;
    }
    session.reportProgress(0, total);
    return Result::Written;
}

QStringList alphabetical(Session &session)
{
    return session.goods().groupsAlphabetical();
}

} // namespace GroupOrder
