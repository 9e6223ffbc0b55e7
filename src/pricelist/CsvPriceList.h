#pragma once

#include "PriceTable.h"

#include <QString>

// Price lists saved as CSV by spreadsheet programs, accounting programs and
// database tools: fields separated by ";", "," or a tab, whichever the file
// uses; fields in double quotes may hold the separator, line breaks and
// doubled quotes. The text may be UTF-8 (with or without a byte-order
// mark), UTF-16 with its mark (Excel's "Unicode text") or code page 1251.
namespace CsvPriceList {

// Reads the file whole. Throws AppError naming the file, and the line where
// one is at fault (a quote never closed).
PriceTable read(const QString &path);

} // namespace CsvPriceList
