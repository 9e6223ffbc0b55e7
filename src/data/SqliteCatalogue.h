#pragma once

#include "Catalogue.h"

class Database;

// The catalogue in an SQLite file ("dorvik-Vent.mdb"): tables `dorvik_data`
// and `dorvik_gruppa`. Goods are found through their key columns (Schema),
// which the program writes with every good: equality on the folded name and
// group, instr() on the search keys of description, type and maker. Each
// call connects before its first statement and disconnects after its last,
// also when it fails, so that the file is never held between commands.
class SqliteCatalogue : public Catalogue {
public:
    explicit SqliteCatalogue(Database &db);

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

    Database &m_db;
};
