#include "GoodsList.h"

#include "Schema.h"

namespace {

QList<RowsModel::Column> listColumns()
{
    const Qt::Alignment centred = Qt::AlignCenter;
    return {
        {QStringLiteral("Caption"), QStringLiteral("Описание"), Qt::AlignLeft | Qt::AlignVCenter},
        {QStringLiteral("TYP"), QStringLiteral("Тип, марка"), centred},
        {QStringLiteral("COD"), QStringLiteral("Код оборудования"), centred},
        {QStringLiteral("Firma"), QStringLiteral("Завод-изготовитель"), centred},
        {QStringLiteral("M"), QStringLiteral("Масса, кг"), centred},
        {QStringLiteral("Abb"), QStringLiteral("Ед.изм."), centred},
        {QStringLiteral("Cost"), QStringLiteral("Цена"), Qt::AlignRight | Qt::AlignVCenter}};
}

} // namespace

GoodsList::GoodsList(Database &catalogue, QObject *parent)
    : RowsModel(catalogue, QStringLiteral("dorvik_data"), Schema::kGoodsColumns, listColumns(),
                parent)
{
    setReadOnly(true);
}

QList<int> GoodsList::columnWidths()
{
    return {423, 98, 114, 117, 64, 54, 64};
}
