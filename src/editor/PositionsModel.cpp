#include "PositionsModel.h"

#include "ErrorReport.h"
#include "Numbers.h"
#include "PositionEditing.h"
#include "Session.h"

namespace {

struct ColumnInfo {
    PositionsTable::Field field;
    const char *key; // the column's name in table `data`, under which its width is kept
    const char *title;
    Qt::Alignment alignment;
};

const ColumnInfo kColumns[PositionsModel::ColumnCount] = {
    {PositionsTable::Number, "POZ", "Поз.", Qt::AlignCenter},
    {PositionsTable::Caption, "Caption", "Наименование товара", Qt::AlignLeft | Qt::AlignVCenter},
    {PositionsTable::Type, "TYP", "Тип, марка", Qt::AlignCenter},
    {PositionsTable::Code, "COD", "Код оборудования", Qt::AlignCenter},
    {PositionsTable::Maker, "Firma", "Завод-изготовитель", Qt::AlignCenter},
    {PositionsTable::Unit, "Abb", "Ед.изм.", Qt::AlignCenter},
    {PositionsTable::Quantity, "KOL", "Кол-во", Qt::AlignCenter},
    {PositionsTable::Mass, "M", "Масса, кг", Qt::AlignCenter},
    {PositionsTable::Comment, "Comment", "Примечания", Qt::AlignLeft | Qt::AlignVCenter},
};

// A field as the grid shows it: numbers in the regional form.
QString shown(const Position &position, PositionsTable::Field field)
{
    switch (field) {
    case PositionsTable::Number:
        return Numbers::whole(position.number);
    case PositionsTable::GroupNumber:
        return Numbers::whole(position.groupNumber);
    case PositionsTable::Quantity:
        return position.quantity ? Numbers::general(*position.quantity) : QString();
    case PositionsTable::Cost:
        return position.cost ? Numbers::general(*position.cost) : QString();
    default:
        return PositionsTable::value(position, field).toString();
    }
}

} // namespace

const QColor PositionsModel::kZeroQuantityColour(204, 255, 204);
const QColor PositionsModel::kNegativeQuantityColour(255, 0, 0);

PositionsModel::PositionsModel(Session &session, QObject *parent)
    : GridModel(parent), m_session(session)
{
    connect(&session.document().positions(), &PositionsTable::changed, this,
            &PositionsModel::followChange);
}

PositionsTable::Field PositionsModel::fieldOf(int column)
{
    return kColumns[column].field;
}

void PositionsModel::reload()
{
    const QList<Position> rows = m_session.document().positions().read(m_session.viewFilter());
    beginResetModel();
    m_rows = rows;
    m_pending = -1;
    m_currentRow = -1;
    m_loaded = true;
    endResetModel();
}

void PositionsModel::clear()
{
    beginResetModel();
    m_rows.clear();
    m_pending = -1;
    m_currentRow = -1;
    m_loaded = false;
    endResetModel();
}

void PositionsModel::followChange()
{
    if (!m_loaded)
        return;
    PositionsTable &table = m_session.document().positions();
    const TouchedRows &touched = table.lastTouched();
    if (touched.all) {
        ErrorReport::guard([this] { reload(); });
        return;
    }
    QList<qint64> added;
    for (const qint64 key : touched.keys) {
        std::optional<Position> now;
        if (!ErrorReport::guard([&] { now = table.find(key); }))
            return;
        const int row = rowOf(key);
        if (row < 0) {
            if (now)
                added << key;
            continue;
        }
        if (now) {
            m_rows[row] = *now;
            emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
        } else {
            beginRemoveRows({}, row, row);
            m_rows.removeAt(row);
            if (m_pending > row)
                --m_pending;
            endRemoveRows();
        }
    }
    if (added.isEmpty())
        return;
    // One new position while a row is being added is that row's (typed
    // into it, or a good put into it); others show where the order puts them.
    if (added.size() == 1 && m_pending >= 0) {
        std::optional<Position> now;
        if (ErrorReport::guard([&] { now = table.find(added.first()); }) && now) {
            m_rows[m_pending] = *now;
            const int row = std::exchange(m_pending, -1);
            emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
            return;
        }
    }
    ErrorReport::guard([this] { reload(); });
}

Position PositionsModel::position(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows[row] : Position{};
}

qint64 PositionsModel::rowKey(int row) const
{
    return position(row).key;
}

int PositionsModel::rowOf(qint64 key) const
{
    if (key == 0)
        return -1;
    for (int row = 0; row < m_rows.size(); ++row)
        if (m_rows[row].key == key)
            return row;
    return -1;
}

bool PositionsModel::setCell(int row, PositionsTable::Field field, const QString &typed)
{
    if (row < 0 || row >= m_rows.size())
        return false;
    return ErrorReport::guard([&] {
        SpecificationDocument &document = m_session.document();
        if (row == m_pending)
            PositionEditing::addPosition(document, field, typed);
        else
            PositionEditing::editCell(document, m_rows[row].key, field, typed);
    });
}

int PositionsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int PositionsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant PositionsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const Position &row = m_rows[index.row()];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return shown(row, kColumns[index.column()].field);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(kColumns[index.column()].alignment);
    case Qt::BackgroundRole:
        return quantityBackground(row.quantity);
    case Qt::ForegroundRole: {
        // A coloured row sets its text colour too, so that it stays readable
        // under a dark palette, whose text is light.
        const QVariant background = quantityBackground(row.quantity);
        if (!background.isValid())
            return {};
        return background.value<QColor>() == kZeroQuantityColour ? QColor(Qt::black)
                                                                 : QColor(Qt::white);
    }
    default:
        return {};
    }
}

QVariant PositionsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical)
        return role == Qt::DisplayRole && section == m_currentRow ? QStringLiteral("▶")
                                                                  : QVariant();
    if (section < 0 || section >= ColumnCount)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromUtf8(kColumns[section].title);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    case ColumnKeyRole:
        return QLatin1String(kColumns[section].key);
    default:
        return {};
    }
}

Qt::ItemFlags PositionsModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

bool PositionsModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    return setCell(index.row(), kColumns[index.column()].field, value.toString());
}

int PositionsModel::insertRecord(int row)
{
    row = qBound(0, row, int(m_rows.size()));
    if (m_pending >= 0) {
        const int previous = m_pending;
        dropPendingRow();
        if (previous < row)
            --row;
    }
    beginInsertRows({}, row, row);
    m_rows.insert(row, Position{});
    m_pending = row;
    endInsertRows();
    return row;
}

void PositionsModel::dropPendingRow()
{
    if (m_pending < 0)
        return;
    const int row = std::exchange(m_pending, -1);
    beginRemoveRows({}, row, row);
    m_rows.removeAt(row);
    endRemoveRows();
}

bool PositionsModel::removeRecord(int row)
{
    if (row < 0 || row >= m_rows.size())
        return false;
    if (row == m_pending) {
        dropPendingRow();
        return true;
    }
    const qint64 key = m_rows[row].key;
    return ErrorReport::guard([&] { PositionEditing::deletePosition(m_session.document(), key); });
}

QVariant PositionsModel::quantityBackground(const std::optional<double> &quantity)
{
    const double value = quantity.value_or(0.0);
    if (value == 0.0)
        return kZeroQuantityColour;
    if (value < 0.0)
        return kNegativeQuantityColour;
    return {};
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
