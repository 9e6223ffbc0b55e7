#pragma once

#include "Database.h"
#include "HeaderFields.h"
#include "PositionFilter.h"
#include "PositionsTable.h"
#include "SpecificationDocument.h"

#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class Catalogue;

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
    // The open specification: its positions, header, file name, lock and
    // the stack of its edits.
    SpecificationDocument &document() { return m_document; }
    const SpecificationDocument &document() const { return m_document; }
    // The catalogue as commands and windows ask it (goods, groups, order).
    Catalogue &goods() { return *m_goods; }
    const QString &catalogueFile() const { return m_catalogue.file(); }
    const QString &workingDatabasePath() const { return m_working.file(); }
    void setCatalogueFile(const QString &path);
    // The catalogue at address: a server's (postgresql://…) or, for a path,
    // the SQLite file. Throws AppError when a server's address is unusable.
    void setCatalogueAddress(const QString &address);
    // The server's address, or the file: what messages name the catalogue by.
    QString catalogueAddress() const;
    bool catalogueOnServer() const { return !m_serverAddress.isEmpty(); }
    void setWorkingDatabasePath(const QString &path) { m_working.setFile(path); }
    void closeConnections();

    // The file named on the command line, opened at the first activation of
    // the start window and then forgotten.
    const QString &commandLineFile() const { return m_commandLineFile; }
    void setCommandLineFile(const QString &path) { m_commandLineFile = path; }

    // The folder a specification was last opened from or saved to, where a
    // save dialog of a specification without a file starts.
    const QString &lastFolder() const { return m_lastFolder; }
    void setLastFolder(const QString &folder) { m_lastFolder = folder; }

    // The group names in their order; a position's group number is its
    // group's place here, counted from 0.
    const QStringList &groupOrder() const { return m_groupOrder; }
    void setGroupOrder(const QStringList &groups);
    // The version of the catalogue's group order that the list was read at
    // or last written as; changes of the order are made from it.
    qint64 groupOrderVersion() const { return m_groupOrderVersion; }
    void setGroupOrderVersion(qint64 version) { m_groupOrderVersion = version; }

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
    void firmNameChanged(const QString &name);
    void listsChanged();
    void viewFilterChanged();
    void progress(int done, int total);
    void groupOrderChanged();

private:
    Database m_catalogue;
    Database m_working;
    SpecificationDocument m_document{m_working};
    std::unique_ptr<Catalogue> m_goods;
    QString m_serverAddress;
    QString m_commandLineFile;
    QString m_lastFolder;
    QStringList m_groupOrder;
    qint64 m_groupOrderVersion = 0;
    QString m_firmName;
    QStringList m_groupFilterList{kUndefinedGroupItem, kAllGroupsItem};
    QStringList m_makerFilterList{kAllMakersItem};
    QStringList m_groupFieldList;
    QStringList m_pickerGroupList{kAllGroupsItem};
    PositionFilter m_viewFilter;
};
