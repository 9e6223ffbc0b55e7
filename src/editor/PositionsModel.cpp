#include "PositionsModel.h"

#include "Schema.h"
#include "Session.h"

#include <QColor>
#include <QScopedValueRollback>

namespace {

QList<RowsModel::Column> gridColumns()
{
    const Qt::Alignment centred = Qt::AlignCenter;
    const Qt::Alignment left = Qt::AlignLeft | Qt::AlignVCenter;
    return {{QStringLiteral("POZ"), QStringLiteral("Поз."), centred},
            {QStringLiteral("Caption"), QStringLiteral("Наименование товара"), left},
            {QStringLiteral("TYP"), QStringLiteral("Тип, марка"), centred},
            {QStringLiteral("COD"), QStringLiteral("Код оборудования"), centred},
            {QStringLiteral("Firma"), QStringLiteral("Завод-изготовитель"), centred},
            {QStringLiteral("Abb"), QStringLiteral("Ед.изм."), centred},
            {QStringLiteral("KOL"), QStringLiteral("Кол-во"), centred},
            {QStringLiteral("M"), QStringLiteral("Масса, кг"), centred},
            {QStringLiteral("Comment"), QStringLiteral("Примечания"), left}};
}

} // namespace

const QColor PositionsModel::kZeroQuantityColour(204, 255, 204);
const QColor PositionsModel::kNegativeQuantityColour(255, 0, 0);

PositionsModel::PositionsModel(Session &session, QObject *parent)
    : RowsModel(session.working(), QStringLiteral("data"), Schema::kDataColumns, gridColumns(),
                parent),
      m_session(session)
{
}

void PositionsModel::reload()
{
    QList<std::pair<qint64, QVariantList>> rows;
    const QList<Position> positions = m_session.positions().read(m_session.viewFilter());
    rows.reserve(positions.size());
    for (const Position &position : positions) {
        QVariantList values;
        values.reserve(PositionsTable::FieldCount);
        for (int field = 0; field < PositionsTable::FieldCount; ++field)
            values << PositionsTable::value(position, PositionsTable::Field(field));
        rows.append({position.key, values});
    }
    setRows(rows);
    m_currentRow = -1;
}

bool PositionsModel::isStoring() const
{
    return m_storing > 0;
}

void PositionsModel::storeValues(qint64 key, const QStringList &columns, const QVariantList &values)
{
    QList<PositionsTable::Field> fields;
    for (const QString &column : columns)
        fields << PositionsTable::Field(Schema::kDataColumns.indexOf(column));
    const QScopedValueRollback storing(m_storing, m_storing + 1);
    m_session.positions().update(key, fields, values);
}

qint64 PositionsModel::storeNewRow()
{
    const QScopedValueRollback storing(m_storing, m_storing + 1);
    return m_session.positions().insert({});
}

void PositionsModel::storeRemoval(qint64 key)
{
    const QScopedValueRollback storing(m_storing, m_storing + 1);
    m_session.positions().remove(key);
}

QVariant PositionsModel::quantityBackground(const QVariant &quantity)
{
    const double value = quantity.isNull() ? 0.0 : quantity.toDouble();
    if (value == 0.0)
        return kZeroQuantityColour;
    if (value < 0.0)
        return kNegativeQuantityColour;
    return {};
}

QVariant PositionsModel::decoration(int row, int, int role) const
{
    if (role == Qt::BackgroundRole)
        return quantityBackground(field(row, QStringLiteral("KOL")));
    return {};
}

QVariant PositionsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical && role == Qt::DisplayRole)
        return section == m_currentRow ? QStringLiteral("▶") : QString();
    return RowsModel::headerData(section, orientation, role);
}

void PositionsModel::setCurrentRow(int row)
{
    if (row == m_currentRow)
        return;
    const int previous = m_currentRow;
    m_currentRow = row;
    if (previous >= 0 && previous < rowCount())
        emit headerDataChanged(Qt::Vertical, previous, previous);
    if (row >= 0 && row < rowCount())
        emit headerDataChanged(Qt::Vertical, row, row);
}
