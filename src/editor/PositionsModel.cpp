#include "PositionsModel.h"

#include "AppError.h"
#include "ErrorReport.h"
#include "Numbers.h"
#include "Schema.h"
#include "Session.h"
#include "Statement.h"

#include <QColor>

namespace {

struct ColumnInfo {
    const char *field;
    const char *title;
    Qt::Alignment alignment;
};

const ColumnInfo kColumns[PositionsModel::ColumnCount] = {
    {"POZ", "Поз.", Qt::AlignCenter},
    {"Caption", "Наименование товара", Qt::AlignLeft | Qt::AlignVCenter},
    {"TYP", "Тип, марка", Qt::AlignCenter},
    {"COD", "Код оборудования", Qt::AlignCenter},
    {"Firma", "Завод-изготовитель", Qt::AlignCenter},
    {"Abb", "Ед.изм.", Qt::AlignCenter},
    {"KOL", "Кол-во", Qt::AlignCenter},
    {"M", "Масса, кг", Qt::AlignCenter},
    {"Comment", "Примечания", Qt::AlignLeft | Qt::AlignVCenter},
};

enum class Kind { Text, Real, Whole };

Kind kindOf(const QString &column)
{
    if (column == QLatin1String("KOL") || column == QLatin1String("Cost"))
        return Kind::Real;
    if (column == QLatin1String("POZ") || column == QLatin1String("NG"))
        return Kind::Whole;
    return Kind::Text;
}

// A typed text becomes the value the column holds; throws when a number
// column gets something else. Empty text is an empty (null) value.
QVariant converted(const QString &column, const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return {};
    const Kind kind = kindOf(column);
    if (kind == Kind::Text)
        return value.toString();
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Int ||
        value.typeId() == QMetaType::LongLong)
        return kind == Kind::Whole ? QVariant(value.toLongLong()) : QVariant(value.toDouble());
    const QString text = value.toString().trimmed();
    if (text.isEmpty())
        return {};
    const std::optional<double> number = Numbers::parse(text);
    if (!number || (kind == Kind::Whole && *number != qint64(*number)))
        throw AppError(QStringLiteral("«%1» не является %2.")
                           .arg(text, kind == Kind::Whole ? QStringLiteral("целым числом")
                                                          : QStringLiteral("числом")));
    return kind == Kind::Whole ? QVariant(qint64(*number)) : QVariant(*number);
}

QString displayed(const QVariant &value)
{
    if (value.isNull())
        return {};
    if (value.typeId() == QMetaType::Double)
        return Numbers::general(value.toDouble());
    return value.toString();
}

} // namespace

const QColor PositionsModel::kZeroQuantityColour(204, 255, 204);
const QColor PositionsModel::kNegativeQuantityColour(255, 0, 0);

PositionsModel::PositionsModel(Session &session, QObject *parent)
    : QAbstractTableModel(parent), m_session(session)
{
}

void PositionsModel::reload()
{
    QList<Row> rows;
    Database &working = m_session.working();
    working.open();
    const PositionFilter &filter = m_session.viewFilter();
    Statement select(working, QStringLiteral("SELECT RowKey, %1 FROM data%2 ORDER BY POZ, RowKey")
                                  .arg(Schema::kDataColumns.join(u','), filter.whereClause()));
    const QVariantList values = filter.values();
    for (int i = 0; i < values.size(); ++i)
        select.bind(i, values[i].toString());
    while (select.next()) {
        Row row;
        row.key = select.integer(0);
        row.values.reserve(Schema::kDataColumns.size());
        for (int column = 0; column < Schema::kDataColumns.size(); ++column)
            row.values << select.value(column + 1);
        rows << row;
    }
    beginResetModel();
    m_rows = std::move(rows);
    m_currentRow = -1;
    endResetModel();
}

void PositionsModel::clear()
{
    beginResetModel();
    m_rows.clear();
    m_currentRow = -1;
    endResetModel();
}

int PositionsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int PositionsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

int PositionsModel::columnIndex(const QString &column) const
{
    for (int i = 0; i < Schema::kDataColumns.size(); ++i)
        if (Schema::kDataColumns[i].compare(column, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
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

QVariant PositionsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const Row &row = m_rows[index.row()];
    const QVariant &value = row.values[columnIndex(QLatin1String(kColumns[index.column()].field))];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return displayed(value);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(kColumns[index.column()].alignment);
    case Qt::BackgroundRole:
        return quantityBackground(row.values[columnIndex(QStringLiteral("KOL"))]);
    default:
        return {};
    }
}

QVariant PositionsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal) {
        if (role == Qt::DisplayRole && section >= 0 && section < ColumnCount)
            return QString::fromUtf8(kColumns[section].title);
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
        return {};
    }
    if (role == Qt::DisplayRole)
        return section == m_currentRow ? QStringLiteral("▶") : QString();
    return {};
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
    return setField(index.row(), QLatin1String(kColumns[index.column()].field), value);
}

QVariant PositionsModel::field(int row, const QString &column) const
{
    const int dataColumn = columnIndex(column);
    if (row < 0 || row >= m_rows.size() || dataColumn < 0)
        return {};
    return m_rows[row].values[dataColumn];
}

bool PositionsModel::setField(int row, const QString &column, const QVariant &value)
{
    const int dataColumn = columnIndex(column);
    if (row < 0 || row >= m_rows.size() || dataColumn < 0)
        return false;
    return ErrorReport::guard([&] { writeValue(row, dataColumn, value); });
}

bool PositionsModel::writeValue(int row, int dataColumn, const QVariant &value)
{
    const QString &column = Schema::kDataColumns[dataColumn];
    const QVariant stored = converted(column, value);
    QVariant &held = m_rows[row].values[dataColumn];
    if (stored == held && stored.isNull() == held.isNull())
        return true;
    Statement update(m_session.working(),
                     QStringLiteral("UPDATE data SET %1 = ? WHERE RowKey = ?").arg(column));
    if (stored.isNull())
        update.bindNull(0);
    else if (stored.typeId() == QMetaType::Double)
        update.bind(0, stored.toDouble());
    else if (stored.typeId() == QMetaType::LongLong)
        update.bind(0, stored.toLongLong());
    else
        update.bind(0, stored.toString());
    update.bind(1, m_rows[row].key);
    update.run();
    held = stored;
    if (column == QLatin1String("KOL"))
        emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
    else
        for (int c = 0; c < ColumnCount; ++c)
            if (column == QLatin1String(kColumns[c].field))
                emit dataChanged(index(row, c), index(row, c));
    emit positionsEdited();
    return true;
}

int PositionsModel::insertPosition(int row)
{
    row = qBound(0, row, int(m_rows.size()));
    Row fresh;
    ErrorReport::guard([&] {
        Database &working = m_session.working();
        working.open();
        Statement insert(working, QStringLiteral("INSERT INTO data DEFAULT VALUES"));
        insert.run();
        fresh.key = working.scalar(QStringLiteral("SELECT last_insert_rowid()")).toLongLong();
    });
    if (fresh.key == 0)
        return -1;
    for (int column = 0; column < Schema::kDataColumns.size(); ++column)
        fresh.values << QVariant();
    beginInsertRows({}, row, row);
    m_rows.insert(row, fresh);
    endInsertRows();
    emit positionsEdited();
    return row;
}

void PositionsModel::removePosition(int row)
{
    if (row < 0 || row >= m_rows.size())
        return;
    const bool removed = ErrorReport::guard([&] {
        Statement remove(m_session.working(), QStringLiteral("DELETE FROM data WHERE RowKey = ?"));
        remove.bind(0, m_rows[row].key);
        remove.run();
    });
    if (!removed)
        return;
    beginRemoveRows({}, row, row);
    m_rows.removeAt(row);
    endRemoveRows();
    emit positionsEdited();
}

void PositionsModel::setCurrentRow(int row)
{
    if (row == m_currentRow)
        return;
    const int previous = m_currentRow;
    m_currentRow = row;
    if (previous >= 0 && previous < m_rows.size())
        emit headerDataChanged(Qt::Vertical, previous, previous);
    if (row >= 0 && row < m_rows.size())
        emit headerDataChanged(Qt::Vertical, row, row);
}
