#pragma once

#include "Database.h"
#include "HeaderFields.h"
#include "PositionFilter.h"
#include "PositionsTable.h"

#include <QFileDevice>
#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class Catalogue;
class SpecificationLock;

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
    // The catalogue editor's own connection to the same catalogue, which the
    // component picker shares.
    Database &catalogueEditor() { return m_catalogueEditor; }
    // Table `data` of the working database; every change of it marks the
    // specification modified.
    PositionsTable &positions() { return m_positions; }
    // The catalogue as commands and windows ask it (goods, groups, order).
    Catalogue &goods() { return *m_goods; }
    // Runs work that loads positions as a file or a new specification brings
    // them: what it does to the positions table is no change to mark.
    void loadingPositions(const std::function<void()> &work);
    const QString &catalogueFile() const { return m_catalogue.file(); }
    const QString &workingDatabasePath() const { return m_working.file(); }
    void setCatalogueFile(const QString &path)
    {
        m_catalogue.setFile(path);
        m_catalogueEditor.setFile(path);
    }
    void setWorkingDatabasePath(const QString &path) { m_working.setFile(path); }
    void closeConnections();

    // The file named on the command line, opened at the first activation of
    // the start window and then forgotten.
    const QString &commandLineFile() const { return m_commandLineFile; }
    void setCommandLineFile(const QString &path) { m_commandLineFile = path; }

    // The open specification's file name; empty while none is open.
    const QString &specificationName() const { return m_specificationName; }
    void setSpecificationName(const QString &name);

    // The lock on the open specification file; none while no file is open,
    // or when it was opened read-only. Setting another lets go of this one.
    SpecificationLock *lock() const { return m_lock.get(); }
    void setLock(std::unique_ptr<SpecificationLock> lock);
    // The permissions the locked file had before this program locked it.
    std::optional<QFileDevice::Permissions> recordedPermissions() const;

    // Set by every change of the open specification, cleared by saving.
    bool isModified() const { return m_modified; }
    void setModified(bool modified);

    // The group names in their order; a position's group number is its
    // group's place here, counted from 0.
    const QStringList &groupOrder() const { return m_groupOrder; }
    void setGroupOrder(const QStringList &groups);

    // The header of the open specification.
    const HeaderFields &header() const { return m_header; }
    // A field changed by the user; marks the specification modified.
    void editHeaderField(HeaderFields::Field field, const QString &text);
    // The header as a file or a new specification brings it; not a change.
    void setHeader(const HeaderFields &header);

    // The firm name printed on the documents.
    const QString &firmName() const { return m_firmName; }
    void setFirmName(const QString &name);

    // The editor's lists: the group filter list (starting with
    // "Неопределенные" and "Все группы"), the maker filter list (starting
    // with "Все производители") and the group field's list of groups.
    const QStringList &groupFilterList() const { return m_groupFilterList; }
    const QStringList &makerFilterList() const { return m_makerFilterList; }
    const QStringList &groupFieldList() const { return m_groupFieldList; }
    void setLists(const QStringList &groupFilters, const QStringList &makerFilters,
                  const QStringList &groupField);
    // Adds a group typed by the user to the group filter list and to the
    // group field's list, where no item equals it exactly.
    void addTypedGroup(const QString &group);
    // Adds a group to the group filter list where no item equals it exactly.
    void addGroupFilterItem(const QString &group);

    // The component picker's group list: "Все группы", then the catalogue's
    // groups.
    const QStringList &pickerGroupList() const { return m_pickerGroupList; }
    void setPickerGroupList(const QStringList &groups);

    // Which positions the editor shows.
    const PositionFilter &viewFilter() const { return m_viewFilter; }
    void setViewFilter(const PositionFilter &filter);

    // Long work reports its progress here; the progress bars follow.
    void reportProgress(int done, int total) { emit progress(done, total); }

    static const QString kUndefinedGroupItem;
    static const QString kAllGroupsItem;
    static const QString kAllMakersItem;

signals:
    void modifiedChanged(bool modified);
    void headerChanged();
    void firmNameChanged(const QString &name);
    void listsChanged();
    void viewFilterChanged();
    void progress(int done, int total);
    void specificationNameChanged(const QString &name);
    void groupOrderChanged();

private:
    Database m_catalogue;
    Database m_working;
    Database m_catalogueEditor;
    PositionsTable m_positions{m_working};
    std::unique_ptr<Catalogue> m_goods;
    bool m_loadingPositions = false;
    QString m_commandLineFile;
    QString m_specificationName;
    std::unique_ptr<SpecificationLock> m_lock;
    bool m_modified = false;
    QStringList m_groupOrder;
    HeaderFields m_header = HeaderFields::defaults();
    QString m_firmName;
    QStringList m_groupFilterList{kUndefinedGroupItem, kAllGroupsItem};
    QStringList m_makerFilterList{kAllMakersItem};
    QStringList m_groupFieldList;
    QStringList m_pickerGroupList{kAllGroupsItem};
    PositionFilter m_viewFilter;
};
