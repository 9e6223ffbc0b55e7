#pragma once

#include <QString>

class Catalogue;

// Fills an empty catalogue from the readable seed kept with the sources: a
// tab-separated goods file whose header names the nine columns of
// `dorvik_data`, and a groups file with one group a line in their order.
namespace CatalogueSeed {

// Reads and checks both files whole, then writes the goods and the group
// order through the catalogue. Throws AppError naming the file and line at
// fault; a file at fault writes nothing.
void load(Catalogue &catalogue, const QString &goodsFile, const QString &groupsFile);

} // namespace CatalogueSeed
