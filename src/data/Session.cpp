#include "Session.h"

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

Session::Session(QObject *parent)
    : QObject(parent), m_catalogue(connectionName("catalogue")),
      m_working(connectionName("working"))
{
}

Session::~Session() = default;

void Session::closeConnections()
{
    m_catalogue.close();
    m_working.close();
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
