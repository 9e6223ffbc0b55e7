#pragma once

#include "SheetReport.h"

#include <QDate>
#include <QString>
#include <functional>
#include <optional>

// The specification as a spreadsheet workbook (.xlsx): the title lines, the
// column titles of the sheet on rows 4 to 6 (repeated on every printed A3
// page), then each group's heading in column B, bold and underlined, with
// its positions in columns A to I below it and an empty row before the next
// heading.
namespace Workbook {

// The row (from 1) of the first group heading, as the column titles take
// rows 4 to 6.
constexpr int kFirstHeadingRow = 7;

// Writes the workbook to path, atomically: on failure no half-written file
// is left and AppError says why. progress(done, total) follows every row.
void write(const SheetContents &contents, const QDate &date, const QString &path,
           const std::function<void(int done, int total)> &progress = {});

// The number a cell text stands for, as a spreadsheet program reads a text
// typed into a cell: a whole or decimal number in the regional form ("12",
// "-3", "2,5"). A text with a leading zero ("007", a code) stays a text.
std::optional<double> number(const QString &text);

} // namespace Workbook
