#pragma once

#include "SheetReport.h"

#include <QDate>
#include <QString>
#include <functional>

// The specification as a spreadsheet workbook (.xlsx) that prints as the
// sheet does: the title lines, the column titles of the sheet on rows 4 to 6
// (repeated on every printed A3 page), then each group's heading in column B,
// bold and underlined, with its positions in columns A to I below it and an
// empty row before the next heading; a thin-ruled table in the sheet's column
// proportions whose rows are tall enough for their wrapped text.
//
// The column decides what a cell is: position number, quantity and mass are
// number cells when their text is a number (with a point or a comma), shown
// with the decimals the value has; every other column is text whatever it
// looks like, so that codes such as "0012" or a long article number keep
// every digit.
namespace Workbook {

// The row (from 1) of the first group heading, as the column titles take
// rows 4 to 6.
constexpr int kFirstHeadingRow = 7;

// Writes the workbook to path, atomically: on failure no half-written file
// is left and AppError says why. progress(done, total) follows every row.
void write(const SheetContents &contents, const QDate &date, const QString &path,
           const std::function<void(int done, int total)> &progress = {});

// The version of libxlsxwriter that writes the workbooks.
QString libraryVersion();

} // namespace Workbook
