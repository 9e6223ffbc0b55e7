#pragma once

#include "Catalogue.h"

#include <QString>

// Every good of the catalogue written out as a price list that the import
// reads back as it stands: nine columns under the headers it guesses ("Имя
// блока", "Наименование товара", "Ед.изм.", "Цена, у.е.", "Масса, кг", "Тип,
// марка", "Код оборудования", "Завод-изготовитель", "Группа").
namespace CatalogueExport {

// Writes the goods to path atomically: a workbook when its name ends in
// ".xlsx" (prices as number cells, every other column as text, so that codes
// keep their digits), else CSV in UTF-8 with a byte-order mark, separated by
// ";", prices with a decimal comma, as spreadsheet programs in Russia open
// it. Returns the number of goods; throws AppError naming the file.
int write(Catalogue &catalogue, const QString &path);

} // namespace CatalogueExport
