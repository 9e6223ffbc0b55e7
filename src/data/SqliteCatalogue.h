#pragma once

#include "Catalogue.h"

class Database;
class ScanConnections;
class Statement;

// The catalogue in an SQLite file ("dorvik-Vent.mdb"): tables `dorvik_data`
// and `dorvik_gruppa`. Goods are found through their key columns (Schema),
// which the program writes with every good: equality on the folded name and
// group, instr() on the search keys of description, type and maker. Each
// call connects before its first statement and disconnects after its last,
// also when it fails, so that the file is never held between commands.
// While it is held, a search that reads every good's key is shared out
// among the processor's cores, each reading a range of row keys through a
// read-only connection of its own.
class SqliteCatalogue : public Catalogue {
public:
    explicit SqliteCatalogue(Database &db);
    ~SqliteCatalogue() override;

    // Into how many ranges a search is shared out, and how many row keys a
    // search must span at least to be shared out at all: by default the
    // processor's cores, at most 4, and a span that takes longer to read
    // than threads take to start.
    void shareSearches(int parts, qint64 fewestKeys);

    QList<std::optional<CatalogueGood>> find(const QStringList &names) override;
    std::unique_ptr<GoodsLookup> lookup() override;
    std::unique_ptr<CatalogueHold> hold() override;
    QList<QList<GoodVersion>> versionsOf(const QStringList &names) override;
    QList<StoredGood> findGoods(const GoodsCriteria &criteria, qint64 after, int limit) override;
    int countGoods(const GoodsCriteria &criteria) override;
    QList<NamesakeGoods> namesakes() override;
    qint64 addGood(const CatalogueGood &good) override;
    qint64 updateGood(const StoredGood &read, const CatalogueGood &good) override;
    void removeGood(const StoredGood &read) override;
    GoodsWritten writeGoods(const QList<CatalogueGood> &goods,
                            const std::function<void(int done, int total)> &progress) override;
    QStringList goodsGroups() override;
    GroupOrderRead readGroupOrder() override;
    QStringList groupsAlphabetical() override;
    // The file keeps no versions: every change is made from the order as
    // it is, and the version stays 0.
    qint64 renameGroup(const QString &from, const QString &to, qint64 readVersion) override;
    std::optional<qint64> removeGroup(const QString &group, qint64 readVersion) override;
    qint64 writeGroupOrder(const QStringList &groups, qint64 readVersion,
                           const std::function<void(int done, int total)> &progress) override;

    GoodsWritten writeGoods(const QList<CatalogueGood> &goods, const GoodsWriteOptions &options,
                            const std::function<void(int done, int total)> &progress) override;
    void forEachGood(const std::function<void(const CatalogueGood &good)> &visit) override;
    void replaceAll(const GoodsFeed &feed, const QStringList &groups) override;

private:
    QStringList groupNames(const QString &sql);
    // Runs read(part, statement) over ranges of the row keys above after,
    // each range a part, numbered from 0 in the order of the keys, all read
    // at once and all reading the catalogue as it is at one moment: each
    // part's statement is sqlOf(the condition of its range), with the
    // range's ends bound first (above, up to) and values after them; read
    // returns the goods its part found. With a limit, the first keys are
    // read alone first, and once the parts below one hold limit goods those
    // above it are stopped. False, having read nothing, when the search is
    // not worth sharing out or cannot be shared out now.
    bool readShared(qint64 after, int limit,
                    const std::function<QString(const QString &range)> &sqlOf,
                    const QVariantList &values,
                    const std::function<qsizetype(int part, Statement &select)> &read);

    Database &m_db;
    int m_parts;
    qint64 m_fewestKeys;
    // While the catalogue is held: the connections of the ranges above the
    // first, opened at the first search shared out.
    int m_holds = 0;
    std::unique_ptr<ScanConnections> m_scan;
};
