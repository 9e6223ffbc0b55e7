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

QString Settings::firma() const
{
    return userValue(QStringLiteral("firma"));
}

void Settings::setFirma(const QString &firma)
{
    QSettings user(QSettings::NativeFormat, QSettings::UserScope, kUserOrganization);
    user.setFallbacksEnabled(false);
    user.setValue(QStringLiteral("firma"), firma);
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
