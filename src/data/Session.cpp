#include "Session.h"

#include "SpecificationLock.h"
#include "SqliteCatalogue.h"
#include "WorkingDatabase.h"

#include <QScopedValueRollback>
#include <atomic>

namespace {

// Each session gets connection names of its own, so that tests can run two
// sessions side by side as two running copies would.
QString connectionName(const char *role)
{
    static std::atomic<int> counter{0};
    return QStringLiteral("%1-%2").arg(QLatin1String(role)).arg(++counter);
}

} // namespace

const QString Session::kUndefinedGroupItem = QStringLiteral("Неопределенные");
const QString Session::kAllGroupsItem = QStringLiteral("Все группы");
const QString Session::kAllMakersItem = QStringLiteral("Все производители");

Session::Session(QObject *parent)
    : QObject(parent), m_catalogue(connectionName("catalogue")),
      m_working(connectionName("working")), m_catalogueEditor(connectionName("catalogue-editor")),
      m_goods(std::make_unique<SqliteCatalogue>(m_catalogue))
{
    connect(&m_positions, &PositionsTable::changed, this, [this] {
        if (!m_loadingPositions)
            setModified(true);
    });
}

Session::~Session() = default;

void Session::loadingPositions(const std::function<void()> &work)
{
    const QScopedValueRollback loading(m_loadingPositions, true);
    work();
}

void Session::setLock(std::unique_ptr<SpecificationLock> lock)
{
    m_lock = std::move(lock);
    WorkingDatabase::recordOpenFile(m_working.file(), m_lock ? m_lock->path() : QString());
}

std::optional<QFileDevice::Permissions> Session::recordedPermissions() const
{
    if (!m_lock)
        return std::nullopt;
    return m_lock->recordedPermissions();
}

void Session::closeConnections()
{
    m_catalogue.close();
    m_working.close();
    m_catalogueEditor.close();
}

void Session::setSpecificationName(const QString &name)
{
    if (name == m_specificationName)
        return;
    m_specificationName = name;
    emit specificationNameChanged(name);
}

void Session::setModified(bool modified)
{
    if (modified == m_modified)
        return;
    m_modified = modified;
    emit modifiedChanged(modified);
}

void Session::setGroupOrder(const QStringList &groups)
{
    m_groupOrder = groups;
    emit groupOrderChanged();
}

void Session::editHeaderField(HeaderFields::Field field, const QString &text)
{
    if (m_header[field] == text)
        return;
    m_header[field] = text;
    setModified(true);
    emit headerChanged();
}

void Session::setHeader(const HeaderFields &header)
{
    if (header == m_header)
        return;
    m_header = header;
    emit headerChanged();
}

void Session::setFirmName(const QString &name)
{
    if (name == m_firmName)
        return;
    m_firmName = name;
    emit firmNameChanged(name);
}

void Session::setLists(const QStringList &groupFilters, const QStringList &makerFilters,
                       const QStringList &groupField)
{
    m_groupFilterList = groupFilters;
    m_makerFilterList = makerFilters;
    m_groupFieldList = groupField;
    emit listsChanged();
}

void Session::addTypedGroup(const QString &group)
{
    if (group.isEmpty())
        return;
    bool added = false;
    if (!m_groupFilterList.contains(group, Qt::CaseSensitive)) {
        m_groupFilterList << group;
        added = true;
    }
    if (!m_groupFieldList.contains(group, Qt::CaseSensitive)) {
        m_groupFieldList << group;
        added = true;
    }
    if (added)
        emit listsChanged();
}

void Session::setViewFilter(const PositionFilter &filter)
{
    if (filter == m_viewFilter)
        return;
    m_viewFilter = filter;
    emit viewFilterChanged();
}

void Session::addGroupFilterItem(const QString &group)
{
    if (group.isEmpty() || m_groupFilterList.contains(group, Qt::CaseSensitive))
        return;
    m_groupFilterList << group;
    emit listsChanged();
}

void Session::setPickerGroupList(const QStringList &groups)
{
    m_pickerGroupList = groups;
    emit listsChanged();
}
