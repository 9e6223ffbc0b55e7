#include "CatalogueAddress.h"

#include "Database.h"
#include "PostgresCatalogue.h"
#include "Schema.h"
#include "SqliteCatalogue.h"

#include <QFileInfo>
#include <QUuid>

namespace {

// An SQLite catalogue with a connection of its own.
class OwnSqliteCatalogue : public SqliteCatalogue {
public:
    explicit OwnSqliteCatalogue(std::unique_ptr<Database> db)
        : SqliteCatalogue(*db), m_db(std::move(db))
    {
    }
    ~OwnSqliteCatalogue() override { m_db->close(); }

private:
    std::unique_ptr<Database> m_db;
};

} // namespace

bool CatalogueAddress::isServer(const QString &address)
{
    return ServerAddress::isServer(address);
}

std::unique_ptr<Catalogue> CatalogueAddress::open(const QString &address, bool mayCreate)
{
    if (isServer(address))
        return std::make_unique<PostgresCatalogue>(ServerAddress::parse(address));
    auto db = std::make_unique<Database>(QStringLiteral("catalogue-file-") +
                                         QUuid::createUuid().toString(QUuid::WithoutBraces));
    db->setFile(address);
    if (mayCreate && !QFileInfo::exists(address)) {
        db->create();
        Schema::createCatalogueTables(*db);
    } else {
        Database::checkFile(address);
    }
    db->close();
    return std::make_unique<OwnSqliteCatalogue>(std::move(db));
}
