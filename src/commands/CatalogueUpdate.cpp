#include "CatalogueUpdate.h"

#include "Catalogue.h"
#include "PositionsTable.h"
#include "Session.h"

namespace CatalogueUpdate {
namespace {

CatalogueGood goodOf(const Position &p)
{
    const QVariant cost = p.cost ? QVariant(*p.cost) : QVariant();
    return {p.name, p.caption, p.unit, cost, p.mass, p.type, p.code, p.maker, p.group};
}

} // namespace

int updateCatalogue(Session &session)
{
    PositionsTable &table = session.positions();
    QList<CatalogueGood> goods;
    // The catalogue is written inside the positions' transaction, so that a
    // failure there takes back the names given here too.
    table.inTransaction([&] {
        for (const Position &position : table.read())
            if (position.name.isEmpty() && !position.caption.isEmpty())
                table.update(position.key, {PositionsTable::Name}, {position.caption});
        for (const Position &position : table.read(session.viewFilter()))
            if (!position.name.isEmpty())
                goods << goodOf(position);
        session.goods().writeGoods(
            goods, [&session](int done, int total) { session.reportProgress(done, total); });
    });
    session.reportProgress(0, int(goods.size()));
    return int(goods.size());
}

} // namespace CatalogueUpdate
