#pragma once

#include "EstimateReport.h"
#include "SheetReport.h"

#include <QDate>
#include <QString>
#include <functional>

class Prompts;
class Session;

// "Спецификация" and "Смета": what the reports print, read from the session
// without changing it. Every position prints, whatever the editor shows.
namespace Reports {

// The groups in the order of their group numbers, each once, with its
// positions by position number; the positions of no group (or an empty one)
// under an empty heading at the place of their group number. Header, stage
// and firm from the session.
SheetContents sheetContents(Session &session);

// Every position by position number, with the header, firm and date.
// Throws AppError when there is no position to estimate.
EstimateContents estimateContents(Session &session, const QDate &date);

// The report as a PDF file at path, atomically; progress goes to the session.
void writePdf(Session &session, const Report &report, const QString &path);

// The groups and positions as the sheet has them, with the title lines and
// the date, as a workbook at path, atomically (kvintor-cli workbook).
void writeWorkbook(Session &session, const QString &path, const QDate &date);

// "Экспорт в Excel": the save dialog proposes "<name>.xlsx" beside the
// specification, or in folderOfNew() for one that has no file yet; an
// existing file is overwritten only after a Yes, a No shows the dialog again.
// The workbook is written there and handed to open (the desktop's program
// for .xlsx files); when that fails, a notice says where the file is.
// Returns the file written, empty when the user cancelled.
QString exportWorkbook(Session &session, Prompts &prompts, const QDate &date,
                       const std::function<QString()> &folderOfNew,
                       const std::function<bool(const QString &path)> &open);

// The file name a report of the open specification is proposed under:
// "<name>.pdf" or "<name> смета.pdf" beside it.
QString proposedPdfName(const QString &specificationName, const QString &suffix);

} // namespace Reports
