#pragma once

#include "PriceTable.h"

#include <QString>
#include <QStringList>

// Price lists saved as Excel workbooks (.xlsx, Office Open XML) by Excel,
// LibreOffice or any other program: the cells of one sheet as texts, shared
// and inline strings as they stand, numbers in their shortest form with a
// point ("1250.5"), the cached value of a formula. A row is numbered as the
// spreadsheet shows it; a cell takes the column its reference names, so
// that empty cells left out of the file leave their gap.
namespace XlsxPriceList {

// The names of the workbook's sheets in their order. Throws AppError naming
// the file when it is no workbook that can be read.
QStringList sheetNames(const QString &path);

// Reads sheet (from 0) of the workbook whole.
PriceTable read(const QString &path, int sheet);

} // namespace XlsxPriceList
