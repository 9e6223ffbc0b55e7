#pragma once

#include "Report.h"

#include <QString>
#include <functional>

class QPagedPaintDevice;

// The one painter of reports: the print preview, the printer and the PDF
// file all get their pages from here.
namespace ReportOutput {

using Progress = std::function<void(int done, int total)>;

// Throws AppError, naming the number of pages, unless report has every page
// of pages.
void checkPages(const Report &report, PageSpan pages);

// Paints the pages of report on device, which takes the report's page
// layout; each page keeps its number in the whole report. progress(done,
// total) follows every page.
void paint(const Report &report, QPagedPaintDevice &device, PageSpan pages = {},
           const Progress &progress = {});

// Writes the pages of report as a PDF/A-1b file, its fonts embedded and its
// document information (title, author, subject, the program as its creator)
// in both the information dictionary and the XMP metadata. Atomic: on
// failure the old file stays and AppError names path.
void writePdf(const Report &report, const QString &path, PageSpan pages = {},
              const Progress &progress = {});

// A number of pages in words: "1 страница", "3 страницы", "11 страниц".
QString pagesText(int count);

// The program and its version, as documents name their creator.
QString creator();

} // namespace ReportOutput
