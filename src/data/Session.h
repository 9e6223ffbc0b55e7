#pragma once

#include "Database.h"

#include <QFileDevice>
#include <QObject>
#include <QStringList>
#include <optional>

// Everything one running copy of the program works on: the two database
// connections, the run state and the group order. Windows observe it through
// its signals and never reach into each other.
class Session : public QObject {
    Q_OBJECT

public:
    explicit Session(QObject *parent = nullptr);
    ~Session() override;

    // The catalogue ("dorvik-Vent.mdb") and this run's working database.
    // They are opened by the first command that needs them.
    Database &catalogue() { return m_catalogue; }
    Database &working() { return m_working; }
    const QString &catalogueFile() const { return m_catalogue.file(); }
    const QString &workingDatabasePath() const { return m_working.file(); }
    void setCatalogueFile(const QString &path) { m_catalogue.setFile(path); }
    void setWorkingDatabasePath(const QString &path) { m_working.setFile(path); }
    void closeConnections();

    // The file named on the command line, opened at the first activation of
    // the start window and then forgotten.
    const QString &commandLineFile() const { return m_commandLineFile; }
    void setCommandLineFile(const QString &path) { m_commandLineFile = path; }

    // The open specification's file name; empty while none is open.
    const QString &specificationName() const { return m_specificationName; }
    void setSpecificationName(const QString &name);

    // The permissions the open specification file had before this program
    // locked it; nothing recorded means a normal, writable file.
    const std::optional<QFileDevice::Permissions> &recordedPermissions() const
    {
        return m_recordedPermissions;
    }
    void setRecordedPermissions(std::optional<QFileDevice::Permissions> permissions)
    {
        m_recordedPermissions = permissions;
    }

    // Set by every change of the open specification, cleared by saving.
    bool isModified() const { return m_modified; }
    void setModified(bool modified);

    // The group names in their order; a position's group number is its
    // group's place here, counted from 0.
    const QStringList &groupOrder() const { return m_groupOrder; }
    void setGroupOrder(const QStringList &groups);

signals:
    void modifiedChanged(bool modified);
    void specificationNameChanged(const QString &name);
    void groupOrderChanged();

private:
    Database m_catalogue;
    Database m_working;
    QString m_commandLineFile;
    QString m_specificationName;
    std::optional<QFileDevice::Permissions> m_recordedPermissions;
    bool m_modified = false;
    QStringList m_groupOrder;
};
