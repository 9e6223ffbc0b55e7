#pragma once

#include <QString>

class Database;

// Fills an empty catalogue from the readable seed kept with the sources: a
// tab-separated goods file whose header names the nine columns of
// `dorvik_data`, and a groups file with one group a line in their order.
namespace CatalogueSeed {

// Reads and checks both files whole, then inserts everything in one
// transaction. Throws AppError naming the file and line at fault.
void load(const Database &catalogue, const QString &goodsFile, const QString &groupsFile);

} // namespace CatalogueSeed
