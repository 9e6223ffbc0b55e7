#pragma once

#include <QString>
#include <functional>

class QPagedPaintDevice;
class Report;

// The one painter of reports: the print preview, the printer and the PDF
// file all get their pages from here.
namespace ReportOutput {

// Paints every page of report on device, which takes the report's page
// layout; progress(done, total) follows every page.
void paint(const Report &report, QPagedPaintDevice &device,
           const std::function<void(int done, int total)> &progress = {});

// Writes report as a PDF file with its fonts embedded, atomically: on
// failure the old file stays and AppError names path.
void writePdf(const Report &report, const QString &path,
              const std::function<void(int done, int total)> &progress = {});

} // namespace ReportOutput
