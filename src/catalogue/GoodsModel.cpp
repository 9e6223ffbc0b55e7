#include "GoodsModel.h"

#include "AppError.h"
#include "ErrorReport.h"
#include "Numbers.h"

#include <limits>

namespace {

constexpr int kPage = 256;

// The lasting names of the columns, under which the views keep their
// widths from one run to the next.
const char *const kColumnKeys[] = {"Name", "Caption", "Abb",   "Cost",  "M",
                                   "TYP",  "COD",     "Firma", "Gruppa"};

// The text column of a good that field names; the price is no text.
template <typename Good> auto &textOf(Good &good, GoodsModel::Field field)
{
    switch (field) {
    case GoodsModel::Name:
        return good.name;
    case GoodsModel::Caption:
        return good.caption;
    case GoodsModel::Unit:
        return good.unit;
    case GoodsModel::Mass:
        return good.mass;
    case GoodsModel::Type:
        return good.type;
    case GoodsModel::Code:
        return good.code;
    case GoodsModel::Maker:
        return good.maker;
    case GoodsModel::Group:
    case GoodsModel::Cost:
        break;
    }
    return good.group;
}

// A typed price: empty is none; anything else must be a number the file
// holds as written.
QVariant priceOf(const QString &typed)
{
    const QString text = typed.trimmed();
    if (text.isEmpty())
        return {};
    const std::optional<double> number = Numbers::parse(text);
    if (!number) {
        if (Numbers::outOfRange(text))
            throw AppError(QStringLiteral("Число «%1» вне допустимого диапазона.").arg(text));
        throw AppError(QStringLiteral("«%1» не является числом.").arg(text));
    }
    return *number;
}

} // namespace

GoodsModel::GoodsModel(Catalogue &catalogue, QList<Column> columns, QObject *parent)
    : GridModel(parent), m_catalogue(catalogue), m_columns(std::move(columns))
{
}

void GoodsModel::show(const GoodsCriteria &criteria)
{
    clear();
    m_criteria = criteria;
    m_lastRead = std::numeric_limits<qint64>::min();
    m_more = true;
    try {
        readPage();
    } catch (...) {
        // A catalogue that failed once is not asked again by the view.
        m_more = false;
        throw;
    }
}

int GoodsModel::showAgain(qint64 key, int row)
{
    show(m_criteria);
    // The keys come in their order, so the good is on the pages up to the
    // one that passes its key.
    for (int at = 0; key != 0;) {
        for (; at < m_rows.size(); ++at)
            if (m_rows[at].stored.key == key)
                return at;
        if (!m_more || m_lastRead >= key)
            break;
        readPage();
    }
    return qMin(row, int(m_rows.size()) - 1);
}

void GoodsModel::readAll()
{
    while (m_more)
        readPage();
}

void GoodsModel::clear()
{
    beginResetModel();
    m_rows.clear();
    m_added.clear();
    m_more = false;
    endResetModel();
}

void GoodsModel::readPage()
{
    QList<StoredGood> page = m_catalogue.findGoods(m_criteria, m_lastRead, kPage);
    m_more = page.size() == kPage;
    if (!page.isEmpty())
        m_lastRead = page.last().key;
    page.removeIf([this](const StoredGood &good) { return m_added.contains(good.key); });
    if (page.isEmpty())
        return;
    beginInsertRows({}, int(m_rows.size()), int(m_rows.size() + page.size() - 1));
    for (StoredGood &good : page)
        m_rows.append({std::move(good), false});
    endInsertRows();
}

CatalogueGood GoodsModel::good(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows[row].stored.good : CatalogueGood();
}

qint64 GoodsModel::key(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows[row].stored.key : 0;
}

StoredGood GoodsModel::stored(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows[row].stored : StoredGood();
}

QString GoodsModel::text(const CatalogueGood &good, Field field)
{
    if (field == Cost) {
        if (good.cost.isNull())
            return {};
        return good.cost.typeId() == QMetaType::QString ? good.cost.toString()
                                                        : Numbers::general(good.cost.toDouble());
    }
    return textOf(good, field);
}

bool GoodsModel::setField(int row, Field field, const QString &typed)
{
    if (row < 0 || row >= m_rows.size())
        return false;
    return refusingStale([&] { write(row, field, typed); });
}

bool GoodsModel::refusingStale(const std::function<void()> &change)
{
    QString refusal;
    const bool done = ErrorReport::guard([&] {
        try {
            change();
        } catch (const StaleWrite &stale) {
            refusal = stale.message();
        }
    });
    if (refusal.isEmpty())
        return done;
    emit staleWriteRefused(refusal);
    return false;
}

void GoodsModel::write(int row, Field field, const QString &typed)
{
    CatalogueGood changed = m_rows[row].stored.good;
    if (field == Cost) {
        const QVariant price = priceOf(typed);
        if (price.isNull() == changed.cost.isNull() &&
            (price.isNull() || price.toDouble() == changed.cost.toDouble()))
            return;
        changed.cost = price;
    } else {
        QString &text = textOf(changed, field);
        // An editor opened on an empty cell hands back empty text: no change.
        if (typed == text || (typed.isEmpty() && text.isEmpty()))
            return;
        text = typed;
    }
    Row &stored = m_rows[row];
    if (stored.pending) {
        stored.stored.key = m_catalogue.addGood(changed);
        stored.pending = false;
        m_added.insert(stored.stored.key);
    } else {
        stored.stored.version = m_catalogue.updateGood(stored.stored, changed);
    }
    stored.stored.good = changed;
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void GoodsModel::replace(int row, const StoredGood &good)
{
    if (row < 0 || row >= m_rows.size())
        return;
    m_rows[row].stored = good;
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

int GoodsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int GoodsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant GoodsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return text(m_rows[index.row()].stored.good, m_columns[index.column()].field);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(m_columns[index.column()].alignment);
    default:
        return {};
    }
}

QVariant GoodsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns.size())
        return {};
    if (role == Qt::DisplayRole)
        return m_columns[section].title;
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(m_columns[section].titleAlignment);
    if (role == ColumnKeyRole)
        return QLatin1String(kColumnKeys[m_columns[section].field]);
    return {};
}

Qt::ItemFlags GoodsModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    const Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    return m_readOnly ? flags : flags | Qt::ItemIsEditable;
}

bool GoodsModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || m_readOnly)
        return false;
    return setField(index.row(), m_columns[index.column()].field, value.toString());
}

bool GoodsModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && m_more;
}

void GoodsModel::fetchMore(const QModelIndex &parent)
{
    if (canFetchMore(parent) && !ErrorReport::guard([this] { readPage(); }))
        m_more = false;
}

int GoodsModel::insertRecord(int row)
{
    row = qBound(0, row, int(m_rows.size()));
    const int previous = pendingRow();
    if (previous >= 0) {
        dropPendingRow();
        if (previous < row)
            --row;
    }
    beginInsertRows({}, row, row);
    m_rows.insert(row, {StoredGood(), true});
    endInsertRows();
    return row;
}

int GoodsModel::pendingRow() const
{
    for (int row = 0; row < m_rows.size(); ++row)
        if (m_rows[row].pending)
            return row;
    return -1;
}

void GoodsModel::dropPendingRow()
{
    const int row = pendingRow();
    if (row < 0)
        return;
    beginRemoveRows({}, row, row);
    m_rows.removeAt(row);
    endRemoveRows();
}

bool GoodsModel::removeRecord(int row)
{
    if (row < 0 || row >= m_rows.size())
        return false;
    if (m_rows[row].pending) {
        dropPendingRow();
        return true;
    }
    if (!refusingStale([&] { m_catalogue.removeGood(m_rows[row].stored); }))
        return false;
    beginRemoveRows({}, row, row);
    m_rows.removeAt(row);
    endRemoveRows();
    return true;
}
