#pragma once

#include "Catalogue.h"
#include "PriceColumns.h"
#include "PriceTable.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

// A supplier's price list brought into the catalogue: every row of the list
// checked and matched with the catalogue by block name first, so that the
// user sees what will happen ("обновится N, добавится M, пропущено K") and
// which rows are left out and why, before anything is written; then all of
// it written at once, or nothing.
namespace PriceListImport {

// A price list read whole, with its headers and the columns that give each
// field.
struct Source {
    QString path;
    PriceTable table;
    int headerRow = 0;
    QStringList headers;
    PriceColumns::Mapping mapping;
};

// Reads the file (a CSV file, or sheet from 0 of a workbook), finds its
// headers, and takes the columns last imported from a file of the same
// name pattern, else the columns guessed from the headers. Throws AppError
// naming the file and the line at fault.
Source read(const QString &path, int sheet = 0);

// Remembers mapping for files of the name pattern of source's.
void remember(const Source &source, const PriceColumns::Mapping &mapping);

// A row left out: its line in the file and why, as the user reads it.
struct Skipped {
    int line = 0;
    QString reason;
};

struct Plan {
    // The goods to write, one a block name, with the fields the mapping gives.
    QList<CatalogueGood> goods;
    // What the write gives, and the goods of each name as the plan found
    // them.
    GoodsWriteOptions options;
    int updated = 0;        // names the catalogue holds
    int added = 0;          // names it lacks, which become goods
    QList<Skipped> skipped; // in the order of the file
};

// Checks the rows below the headers of source with mapping, which must
// give the block name (else AppError). A row is left out when its name is
// empty, its price no number (empty is no price), its name (letter case
// aside) was given before, or a name it shares with other rows comes with
// different prices there (all of those rows are left out), or, unless
// addNew, the catalogue lacks its name. Rows whose mapped cells are all
// empty are passed over unreported. Line breaks in a cell become blanks.
Plan plan(const Source &source, const PriceColumns::Mapping &mapping, bool addNew,
          Catalogue &catalogue);

// "обновится 2, добавится 1, пропущено 3"
QString summary(const Plan &plan);
// "строка 12: цена «по запросу» — не число", one a skipped row.
QStringList skippedLines(const Plan &plan);

// Writes the plan's goods into the catalogue, all or nothing; what the
// catalogue holds is matched again as it is written. On the office's server
// the write is refused with StaleWrite, naming the goods, when someone else
// has changed, removed or added goods of its names since the plan was made.
// progress(done, total) follows every good.
GoodsWritten write(const Plan &plan, Catalogue &catalogue,
                   const std::function<void(int done, int total)> &progress = {});

// "Записано в базу товара: обновлено 9, добавлено 3"
QString writtenText(const GoodsWritten &written);

} // namespace PriceListImport
