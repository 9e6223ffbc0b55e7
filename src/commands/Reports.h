#pragma once

#include "EstimateReport.h"
#include "SheetReport.h"

#include <QDate>
#include <QString>
#include <functional>
#include <memory>

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

// The positions of contents without a price, as "поз. 3 «Решётка АМН»".
QStringList unpriced(const EstimateContents &contents);

// The notice that names them before the estimate shows; a long list is
// shortened with "и ещё N".
QString unpricedNotice(const QStringList &positions);

// "Смета": the estimate of every position, laid out. Before it is shown,
// tell hears of the positions without a price, whose sums print empty.
// Throws AppError when there is no position, or when a price or a sum does
// not fit the estimate.
std::unique_ptr<EstimateReport> estimate(Session &session, const QDate &date,
                                         const std::function<void(const QStringList &)> &tell);

// The pages of the report as a PDF file at path, atomically; progress goes
// to the session.
void writePdf(Session &session, const Report &report, const QString &path, PageSpan pages = {});

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
