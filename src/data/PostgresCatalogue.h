#pragma once

#include "Catalogue.h"

#include <QString>

// Where a catalogue on a PostgreSQL server is, from the address the
// settings and --catalogue give: postgresql://user@host:port/base, with
// ?host=/socket/folder for a server on this machine. No password: libpq's
// own password file and environment give it.
struct ServerAddress {
    QString user;
    QString host; // a name, or a socket's folder
    int port = 0; // 0: libpq's default
    QString database;
    QString text; // as given, for messages

    // Whether text is an address of a server rather than a file.
    static bool isServer(const QString &text);
    // Throws AppError when text is no usable address or carries a password.
    static ServerAddress parse(const QString &text);
    // "base on host:port", as messages name the server.
    QString described() const;
};

// The catalogue on a PostgreSQL server, for a whole office: tables
// `dorvik_data` and `dorvik_gruppa` as in the SQLite file, with the same
// folded keys written by the program, trigram indexes for the searches, a
// row version on every good and on the group order, and the schema's
// version in `kvintor_schema`. Every write is one transaction, so that a
// failure or a lost connection leaves nothing half written. The connection
// is made at the first call and kept; a failed call drops it, so that the
// next call connects again.
class PostgresCatalogue : public Catalogue {
public:
    explicit PostgresCatalogue(const ServerAddress &address);
    ~PostgresCatalogue() override;

    // The version of the schema this program makes and reads.
    static constexpr int kSchemaVersion = 1;

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
    qint64 renameGroup(const QString &from, const QString &to, qint64 readVersion) override;
    std::optional<qint64> removeGroup(const QString &group, qint64 readVersion) override;
    qint64 writeGroupOrder(const QStringList &groups, qint64 readVersion,
                           const std::function<void(int done, int total)> &progress) override;
    GoodsWritten writeGoods(const QList<CatalogueGood> &goods, const GoodsWriteOptions &options,
                            const std::function<void(int done, int total)> &progress) override;
    void forEachGood(const std::function<void(const CatalogueGood &good)> &visit) override;
    void replaceAll(const GoodsFeed &feed, const QStringList &groups) override;

    const ServerAddress &address() const { return m_address; }

private:
    class Connection;
    Connection &connection();

    ServerAddress m_address;
    QString m_connectionName;
    std::unique_ptr<Connection> m_connection;
};
