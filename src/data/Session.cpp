#include "Session.h"

#include "CatalogueAddress.h"
#include "PostgresCatalogue.h"
#include "SqliteCatalogue.h"

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
      m_working(connectionName("working")), m_goods(std::make_unique<SqliteCatalogue>(m_catalogue))
{
    // The working database is this run's own and small; its pages are read
    // through the engine's cache rather than kept mapped for the whole run.
    m_working.setMemoryMapped(false);
    // Every edit is committed as it is made; none waits for the disk.
    m_working.setCommitsLogged(true);
}

Session::~Session() = default;

void Session::setCatalogueFile(const QString &path)
{
    m_catalogue.setFile(path);
    if (!m_serverAddress.isEmpty()) {
        m_serverAddress.clear();
        m_goods = std::make_unique<SqliteCatalogue>(m_catalogue);
    }
}

void Session::setCatalogueAddress(const QString &address)
{
    if (!CatalogueAddress::isServer(address)) {
        setCatalogueFile(address);
        return;
    }
    m_goods = std::make_unique<PostgresCatalogue>(ServerAddress::parse(address));
    m_serverAddress = address;
}

QString Session::catalogueAddress() const
{
    return m_serverAddress.isEmpty() ? m_catalogue.file() : m_serverAddress;
}

void Session::closeConnections()
{
    m_catalogue.close();
    m_working.close();
}

void Session::setGroupOrder(const QStringList &groups)
{
    m_groupOrder = groups;
    emit groupOrderChanged();
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
