#include "GroupOrder.h"

#include "Catalogue.h"
#include "Prompts.h"
#include "Session.h"

namespace GroupOrder {

const QString kNewGroup = QStringLiteral("Новая группа");

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

void rename(Session &session, int place, const QString &name)
{
    QStringList order = session.groupOrder();
    if (place < 0 || place >= order.size() || order[place] == name)
        return;
    session.goods().renameGroup(order[place], name);
    order[place] = name;
    session.setGroupOrder(order);
}

std::optional<int> remove(Session &session, Prompts &prompts, int place)
{
    QStringList order = session.groupOrder();
    if (place < 0 || place >= order.size())
        return std::nullopt;
    const QString group = order[place];
    if (!session.goods().removeGroup(group)) {
        prompts.notify(QStringLiteral("Невозвожно удалить группу \"") + group +
                       QStringLiteral("\"!"));
        return std::nullopt;
    }
    order.removeAt(place);
    session.setGroupOrder(order);
    return order.isEmpty() ? -1 : qMax(place - 1, 0);
}

void writeOrder(Session &session)
{
    const QStringList order = session.groupOrder();
    const int total = int(order.size());
    session.reportProgress(0, total);
    try {
        session.goods().writeGroupOrder(
            order, [&session](int done, int total) { session.reportProgress(done, total); });
    } catch (...) {
        session.reportProgress(0, total);
        throw;
    }
    session.reportProgress(0, total);
}

QStringList alphabetical(Session &session)
{
    return session.goods().groupsAlphabetical();
}

} // namespace GroupOrder
