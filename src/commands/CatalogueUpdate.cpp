#include "CatalogueUpdate.h"

#include "PositionsEdit.h"
#include "PositionsTable.h"
#include "Prompts.h"
#include "Session.h"

namespace CatalogueUpdate {
namespace {

CatalogueGood goodOf(const Position &p)
{
    const QVariant cost = p.cost ? QVariant(*p.cost) : QVariant();
    return {p.name, p.caption, p.unit, cost, p.mass, p.type, p.code, p.maker, p.group};
}

// "товар" in the form that follows count: 1 товар, 3 товара, 12 товаров.
QString goodsWord(int count)
{
    const int lastTwo = count % 100;
    const int last = count % 10;
    if (lastTwo >= 11 && lastTwo <= 14)
        return QStringLiteral("товаров");
    if (last == 1)
        return QStringLiteral("товар");
    if (last >= 2 && last <= 4)
        return QStringLiteral("товара");
    return QStringLiteral("товаров");
}

} // namespace

std::optional<GoodsWritten> updateCatalogue(Session &session, Prompts &prompts)
{
    PositionsTable &table = session.document().positions();
    if (session.viewFilter().kind != PositionFilter::Kind::All) {
        const int all = table.count();
        const int shown = int(table.read(session.viewFilter()).size());
        if (shown < all && !prompts.confirm(QStringLiteral("В базу товара будут записаны только "
                                                           "показанные позиции: %1 из %2. "
                                                           "Продолжить?")
                                                .arg(shown)
                                                .arg(all)))
            return std::nullopt;
    }
    const GoodsWritten written = writeShown(session);
    prompts.notify(writtenMessage(written));
    return written;
}

GoodsWritten writeShown(Session &session)
{
    PositionsTable &table = session.document().positions();
    QList<CatalogueGood> goods;
    GoodsWritten written;
    // The catalogue is written inside the positions' transaction, so that a
    // failure there takes back the names given here too. Those names are an
    // edit of the specification that can be undone; the catalogue's goods
    // stay as written.
    PositionsEdit::make<NameFromCaptionEdit>(session.document(), [&] {
        for (const Position &position : table.read())
            if (position.name.isEmpty() && !position.caption.isEmpty())
                table.update(position.key, {PositionsTable::Name}, {position.caption});
        for (const Position &position : table.read(session.viewFilter()))
            if (!position.name.isEmpty())
                goods << goodOf(position);
        written = session.goods().writeGoods(
            goods, [&session](int done, int total) { session.reportProgress(done, total); });
    });
    session.reportProgress(0, int(goods.size()));
    return written;
}

QString writtenMessage(const GoodsWritten &written)
{
    return QStringLiteral("Записано в базу товара: %1 %2, из них новых %3")
        .arg(written.goods)
        .arg(goodsWord(written.goods))
        .arg(written.added);
}

} // namespace CatalogueUpdate
