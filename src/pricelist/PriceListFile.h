#pragma once

#include "PriceTable.h"

#include <QString>
#include <QStringList>

// A price list file of either kind, told apart by its contents rather than
// its extension: a workbook is a zip archive (or an old binary workbook,
// which is refused with advice), anything else is read as CSV.
namespace PriceListFile {

// The file types the open dialog offers.
QString nameFilter();

// The sheets of a workbook; empty for a CSV file. Throws AppError naming
// the file.
QStringList sheetNames(const QString &path);

// Reads the file whole: a CSV file, or sheet (from 0) of a workbook.
// Throws AppError naming the file and the line at fault.
PriceTable read(const QString &path, int sheet = 0);

} // namespace PriceListFile
