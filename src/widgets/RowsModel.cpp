#include "RowsModel.h"

#include "AppError.h"
#include "Database.h"
#include "ErrorReport.h"
#include "Numbers.h"
#include "Statement.h"

#include <cmath>

namespace {

constexpr int kBatch = 256;

enum class Kind { Text, Real, Whole };

// The number columns of both databases; everything else holds text.
Kind kindOf(const QString &column)
{
    if (column.compare(QLatin1String("KOL"), Qt::CaseInsensitive) == 0 ||
        column.compare(QLatin1String("Cost"), Qt::CaseInsensitive) == 0)
        return Kind::Real;
    if (column.compare(QLatin1String("POZ"), Qt::CaseInsensitive) == 0 ||
        column.compare(QLatin1String("NG"), Qt::CaseInsensitive) == 0)
        return Kind::Whole;
    return Kind::Text;
}

[[noreturn]] void refuse(const QString &text, Kind kind, bool outOfRange)
{
    if (outOfRange)
        throw AppError(QStringLiteral("Число «%1» вне допустимого диапазона.").arg(text));
    throw AppError(QStringLiteral("«%1» не является %2.")
                       .arg(text, kind == Kind::Whole ? QStringLiteral("целым числом")
                                                      : QStringLiteral("числом")));
}

// A typed value becomes what the column holds; empty text is an empty value.
// A number is refused unless the file can hold it as written.
QVariant converted(const QString &column, const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return {};
    const Kind kind = kindOf(column);
    if (kind == Kind::Text)
        return value.toString();
    if (value.typeId() == QMetaType::Int || value.typeId() == QMetaType::LongLong)
        return kind == Kind::Whole ? QVariant(value.toLongLong()) : QVariant(value.toDouble());
    std::optional<double> number;
    QString text;
    if (value.typeId() == QMetaType::Double) {
        text = Numbers::general(value.toDouble());
        if (Numbers::fits(value.toDouble()))
            number = value.toDouble();
    } else {
        text = value.toString().trimmed();
        if (text.isEmpty())
            return {};
        number = Numbers::parse(text);
    }
    if (!number)
        refuse(text, kind, Numbers::outOfRange(text));
    // A quantity must print whole in the documents' boxes.
    if (column.compare(QLatin1String("KOL"), Qt::CaseInsensitive) == 0)
        if (const std::optional<QString> fault = Numbers::quantityFault(text))
            throw AppError(QStringLiteral("Количество «%1» %2.").arg(text, *fault));
    if (kind == Kind::Real)
        return *number;
    // 2 to the 63rd: the first number past the whole numbers a column holds.
    constexpr double kWholeLimit = 9223372036854775808.0;
    if (*number < -kWholeLimit || *number >= kWholeLimit)
        refuse(text, kind, true);
    if (*number != std::trunc(*number))
        refuse(text, kind, false);
    return qint64(*number);
}

bool isEmpty(const QVariant &value)
{
    return value.isNull() || (value.typeId() == QMetaType::QString && value.toString().isEmpty());
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

RowsModel::RowsModel(Database &db, QString table, QStringList tableColumns, QList<Column> shown,
                     QObject *parent)
    : GridModel(parent), m_db(db), m_table(std::move(table)), m_columns(std::move(tableColumns)),
      m_shown(std::move(shown))
{
    for (const Column &column : m_shown)
        m_shownPlaces << tableColumn(column.field);
}

RowsModel::~RowsModel() = default;

int RowsModel::tableColumn(const QString &column) const
{
    for (int i = 0; i < m_columns.size(); ++i)
        if (m_columns[i].compare(column, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void RowsModel::load(const QString &where, const QVariantList &values, const QString &orderBy,
                     bool inBatches)
{
    clear();
    m_db.open();
    auto select = std::make_unique<Statement>(
        m_db, QStringLiteral("SELECT RowKey, %1 FROM %2%3%4")
                  .arg(m_columns.join(u','), m_table, where,
                       orderBy.isEmpty() ? QString() : QStringLiteral(" ORDER BY ") + orderBy));
    for (int i = 0; i < values.size(); ++i)
        select->bind(i, values[i]);
    m_pending = std::move(select);
    readBatch(inBatches ? kBatch : -1);
}

void RowsModel::loadAll()
{
    if (m_pending)
        readBatch(-1);
}

void RowsModel::readBatch(int count)
{
    QList<Row> rows;
    while ((count < 0 || rows.size() < count) && m_pending->next()) {
        Row row;
        row.key = m_pending->integer(0);
        row.values.reserve(m_columns.size());
        for (int column = 0; column < m_columns.size(); ++column)
            row.values << m_pending->value(column + 1);
        rows << std::move(row);
    }
    if (count < 0 || rows.size() < count)
        m_pending.reset(); // all read: the statement lets go of the database
    if (rows.isEmpty())
        return;
    beginInsertRows({}, int(m_rows.size()), int(m_rows.size() + rows.size() - 1));
    m_rows.append(std::move(rows));
    endInsertRows();
}

void RowsModel::clear()
{
    m_pending.reset();
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

int RowsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int RowsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_shown.size());
}

bool RowsModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && m_pending != nullptr;
}

void RowsModel::fetchMore(const QModelIndex &parent)
{
    if (canFetchMore(parent))
        ErrorReport::guard([this] { readBatch(kBatch); });
}

QVariant RowsModel::decoration(int, int, int) const
{
    return {};
}

QVariant RowsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return displayed(m_rows[index.row()].values[m_shownPlaces[index.column()]]);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(m_shown[index.column()].alignment);
    default:
        return decoration(index.row(), index.column(), role);
    }
}

QVariant RowsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_shown.size())
        return {};
    if (role == Qt::DisplayRole)
        return m_shown[section].title;
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(m_shown[section].titleAlignment);
    if (role == ColumnKeyRole)
        return m_shown[section].field;
    return {};
}

Qt::ItemFlags RowsModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    const Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    return m_readOnly ? flags : flags | Qt::ItemIsEditable;
}

bool RowsModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || m_readOnly)
        return false;
    return setField(index.row(), m_shown[index.column()].field, value);
}

QVariant RowsModel::field(int row, const QString &column) const
{
    const int place = tableColumn(column);
    if (row < 0 || row >= m_rows.size() || place < 0)
        return {};
    return m_rows[row].values[place];
}

qint64 RowsModel::rowKey(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows[row].key : 0;
}

bool RowsModel::setField(int row, const QString &column, const QVariant &value)
{
    return setFields(row, {column}, {value});
}

bool RowsModel::setFields(int row, const QStringList &columns, const QVariantList &values)
{
    if (row < 0 || row >= m_rows.size())
        return false;
    return ErrorReport::guard([&] { write(row, columns, values); });
}

void RowsModel::write(int row, const QStringList &columns, const QVariantList &values)
{
    QList<int> places;
    QVariantList stored;
    for (int i = 0; i < columns.size(); ++i) {
        const int place = tableColumn(columns[i]);
        if (place < 0)
            throw AppError(QStringLiteral("Нет столбца %1.").arg(columns[i]));
        const QVariant value = converted(m_columns[place], values.value(i));
        const QVariant &held = m_rows[row].values[place];
        if (value == held && value.isNull() == held.isNull())
            continue;
        // An editor opened on an empty cell hands back empty text: no change.
        if (isEmpty(value) && isEmpty(held))
            continue;
        places << place;
        stored << value;
    }
    if (places.isEmpty())
        return;
    QStringList changedColumns;
    for (const int place : std::as_const(places))
        changedColumns << m_columns[place];
    if (m_rows[row].pending)
        storeRow(row, changedColumns, stored);
    else
        storeValues(m_rows[row].key, changedColumns, stored);
    for (int i = 0; i < places.size(); ++i)
        m_rows[row].values[places[i]] = stored[i];
    // A changed value may recolour the whole row.
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

int RowsModel::insertRecord(int row)
{
    row = qBound(0, row, int(m_rows.size()));
    const int previous = pendingRow();
    if (previous >= 0) {
        dropPendingRow();
        if (previous < row)
            --row;
    }
    Row fresh;
    fresh.pending = true;
    for (int column = 0; column < m_columns.size(); ++column)
        fresh.values << QVariant();
    beginInsertRows({}, row, row);
    m_rows.insert(row, fresh);
    endInsertRows();
    return row;
}

int RowsModel::pendingRow() const
{
    for (int row = 0; row < m_rows.size(); ++row)
        if (m_rows[row].pending)
            return row;
    return -1;
}

void RowsModel::dropPendingRow()
{
    const int row = pendingRow();
    if (row < 0)
        return;
    beginRemoveRows({}, row, row);
    m_rows.removeAt(row);
    endRemoveRows();
}

bool RowsModel::storePendingRow()
{
    const int row = pendingRow();
    return row < 0 || ErrorReport::guard([&] { storeRow(row, {}, {}); });
}

void RowsModel::storeRow(int row, const QStringList &columns, const QVariantList &values)
{
    const qint64 key = storeNewRow();
    if (!columns.isEmpty()) {
        try {
            storeValues(key, columns, values);
        } catch (...) {
            // A row whose values could not be written is not left behind
            // blank; the first error is the one the user reads.
            try {
                storeRemoval(key);
            } catch (const AppError &) {
            }
            throw;
        }
    }
    m_rows[row].key = key;
    m_rows[row].pending = false;
}

bool RowsModel::removeRecord(int row)
{
    if (row < 0 || row >= m_rows.size())
        return false;
    if (m_rows[row].pending) {
        dropPendingRow();
        return true;
    }
    const bool removed = ErrorReport::guard([&] { storeRemoval(m_rows[row].key); });
    if (!removed)
        return false;
    beginRemoveRows({}, row, row);
    m_rows.removeAt(row);
    endRemoveRows();
    return true;
}

void RowsModel::storeValues(qint64 key, const QStringList &columns, const QVariantList &values)
{
    QStringList assignments;
    for (const QString &column : columns)
        assignments << column + QStringLiteral(" = ?");
    Statement update(m_db, QStringLiteral("UPDATE %1 SET %2 WHERE RowKey = ?")
                               .arg(m_table, assignments.join(QStringLiteral(", "))));
    for (int i = 0; i < values.size(); ++i)
        update.bind(i, values[i]);
    update.bind(int(values.size()), key);
    update.run();
}

qint64 RowsModel::storeNewRow()
{
    m_db.open();
    Statement insert(m_db, QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(m_table));
    insert.run();
    return m_db.scalar(QStringLiteral("SELECT last_insert_rowid()")).toLongLong();
}

void RowsModel::storeRemoval(qint64 key)
{
    Statement remove(m_db, QStringLiteral("DELETE FROM %1 WHERE RowKey = ?").arg(m_table));
    remove.bind(0, key);
    remove.run();
}

void RowsModel::setRows(const QList<std::pair<qint64, QVariantList>> &rows)
{
    m_pending.reset();
    beginResetModel();
    m_rows.clear();
    m_rows.reserve(rows.size());
    for (const auto &[key, values] : rows)
        m_rows.append({key, values});
    endResetModel();
}
