#pragma once

#include "EstimateReport.h"
#include "SheetReport.h"

#include <QDate>
#include <QString>
#include <functional>
#include <memory>

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

// "Экспорт в Excel": the groups and positions as the sheet has them, with
// the title lines and today's date, as a workbook at path, atomically.
void writeWorkbook(Session &session, const QString &path, const QDate &date);

// Where the program puts the workbook of the open specification before it
// opens it: "<name>.xlsx" in the temporary folder.
QString workbookPath(const QString &specificationName);

// The file name a report of the open specification is proposed under:
// "<name>.pdf" or "<name> смета.pdf" beside it.
QString proposedPdfName(const QString &specificationName, const QString &suffix);

} // namespace Reports
