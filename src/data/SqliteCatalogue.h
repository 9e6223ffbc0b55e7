#pragma once

#include "Catalogue.h"

class Database;

// The catalogue in an SQLite file ("dorvik-Vent.mdb"): tables `dorvik_data`
// and `dorvik_gruppa`. Names and groups are found through their key columns
// (Schema::kNameKey, Schema::kGroupKey), which hold their folded text. Each
// call connects before its first statement and disconnects after its last,
// also when it fails, so that the file is never held between commands.
class SqliteCatalogue : public Catalogue {
public:
    explicit SqliteCatalogue(Database &db);

    QList<std::optional<CatalogueGood>> find(const QStringList &names) override;
    std::unique_ptr<GoodsLookup> lookup() override;
    GoodsWritten writeGoods(const QList<CatalogueGood> &goods,
                            const std::function<void(int done, int total)> &progress) override;
    QStringList goodsGroups() override;
    QStringList groupOrder() override;
    QStringList groupsAlphabetical() override;
    GoodsQuery goodsQuery(const GoodsCriteria &criteria) const override;
    void renameGroup(const QString &from, const QString &to) override;
    bool removeGroup(const QString &group) override;
    void writeGroupOrder(const QStringList &groups,
                         const std::function<void(int done, int total)> &progress) override;

    GoodsWritten writeGoods(const QList<CatalogueGood> &goods, const GoodsWriteOptions &options,
                            const std::function<void(int done, int total)> &progress) override;
    void forEachGood(const std::function<void(const CatalogueGood &good)> &visit) override;

private:
    QStringList groupNames(const QString &sql);

    Database &m_db;
};
