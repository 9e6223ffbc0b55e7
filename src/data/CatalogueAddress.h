#pragma once

#include <QString>
#include <memory>

class Catalogue;

// Where a catalogue is, as the settings and kvintor-cli name it: a server's
// address (postgresql://user@host:port/base) or the path of an SQLite file.
namespace CatalogueAddress {

bool isServer(const QString &address);

// The catalogue at address, owning its connection. A file must exist, unless
// mayCreate: then a missing file is made with the catalogue's empty tables.
// A server's database gets the catalogue's schema when it is empty. Throws
// AppError naming the file or the server.
std::unique_ptr<Catalogue> open(const QString &address, bool mayCreate = false);

} // namespace CatalogueAddress
