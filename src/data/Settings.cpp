#include "Settings.h"

#include <QDir>
#include <QSettings>

namespace {

const QString kUserOrganization = QStringLiteral("Kvintor");
const QString kMachineOrganization = QStringLiteral("Kvintor group");
const QString kMachineApplication = QStringLiteral("Kvintor");
const QString kMachineGroup = QStringLiteral("9.11");

} // namespace

QString Settings::userValue(const QString &name) const
{
    QSettings user(QSettings::NativeFormat, QSettings::UserScope, kUserOrganization);
    user.setFallbacksEnabled(false);
    return user.value(name).toString();
}

QString Settings::path() const
{
    return userValue(QStringLiteral("path"));
}

QString Settings::catalogue() const
{
    return userValue(QStringLiteral("catalogue"));
}

QString Settings::firma() const
{
    return userValue(QStringLiteral("firma"));
}

void Settings::setUserValue(const QString &name, const QVariant &value)
{
    QSettings user(QSettings::NativeFormat, QSettings::UserScope, kUserOrganization);
    user.setFallbacksEnabled(false);
    user.setValue(name, value);
}

void Settings::setFirma(const QString &firma)
{
    setUserValue(QStringLiteral("firma"), firma);
}

QStringList Settings::recentFiles() const
{
    QSettings user(QSettings::NativeFormat, QSettings::UserScope, kUserOrganization);
    user.setFallbacksEnabled(false);
    return user.value(QStringLiteral("recentFiles")).toStringList().mid(0, kRecentFiles);
}

void Settings::addRecentFile(const QString &path)
{
    if (path.isEmpty())
        return;
    QStringList files = recentFiles();
    files.removeAll(path);
    files.prepend(path);
    setUserValue(QStringLiteral("recentFiles"), files.mid(0, kRecentFiles));
}

void Settings::removeRecentFile(const QString &path)
{
    QStringList files = recentFiles();
    files.removeAll(path);
    setUserValue(QStringLiteral("recentFiles"), files);
}

QString Settings::lastFolder() const
{
    return userValue(QStringLiteral("lastFolder"));
}

void Settings::setLastFolder(const QString &folder)
{
    setUserValue(QStringLiteral("lastFolder"), folder);
}

namespace {

// The key of a file name pattern in group priceListColumns: a slash or a
// backslash would open a subgroup.
QString priceListKey(const QString &pattern)
{
    QString key = pattern;
    key.replace(u'/', u'_').replace(u'\\', u'_');
    return QStringLiteral("priceListColumns/") + key;
}

} // namespace

QStringList Settings::priceListColumns(const QString &pattern) const
{
    QSettings user(QSettings::NativeFormat, QSettings::UserScope, kUserOrganization);
    user.setFallbacksEnabled(false);
    return user.value(priceListKey(pattern)).toStringList();
}

void Settings::setPriceListColumns(const QString &pattern, const QStringList &columns)
{
    setUserValue(priceListKey(pattern), columns);
}

QString Settings::company() const
{
    QSettings machine(QSettings::NativeFormat, QSettings::SystemScope, kMachineOrganization,
                      kMachineApplication);
    machine.setFallbacksEnabled(false);
    return machine.value(kMachineGroup + QStringLiteral("/Company")).toString();
}

QString Settings::cadBridge() const
{
    return userValue(QStringLiteral("cadBridge"));
}

QString Settings::firmName() const
{
    const QString ownName = firma();
    if (!ownName.isEmpty())
        return ownName;
    const QString installation = company();
    return installation.isEmpty() ? QStringLiteral("Kvintor") : installation;
}

QString Settings::resolveFirmName()
{
    if (firma().isEmpty() && !company().isEmpty())
        setFirma(company());
    return firmName();
}

QString Settings::catalogueFolder(const QString &pathValue, const QString &programFolder)
{
    QString folder = pathValue.isEmpty() ? programFolder : QDir::fromNativeSeparators(pathValue);
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}
