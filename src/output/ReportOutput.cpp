#include "ReportOutput.h"

#include "AppError.h"
#include "AtomicFile.h"
#include "PageCanvas.h"
#include "Report.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

namespace ReportOutput {

void paint(const Report &report, QPagedPaintDevice &device,
           const std::function<void(int done, int total)> &progress)
{
    // Qt places the printable area at margins rounded to whole points, up to
    // 0.2 mm off; painting on the whole paper and moving to the margins here
    // keeps every mark where the form puts it.
    QPageLayout layout = report.pageLayout();
    const QMarginsF margins = layout.margins(QPageLayout::Millimeter);
    layout.setMode(QPageLayout::FullPageMode);
    device.setPageLayout(layout);
    QPainter painter;
    if (!painter.begin(&device))
        throw AppError(QStringLiteral("Не удалось начать печать «%1».").arg(report.title()));
    const double dotsPerMm = device.logicalDpiX() / 25.4;
    const int total = report.pageCount();
    for (int page = 0; page < total; ++page) {
        if (page > 0)
            device.newPage();
        painter.resetTransform();
        painter.translate(margins.left() * dotsPerMm, margins.top() * dotsPerMm);
        PageCanvas canvas(painter, dotsPerMm);
        report.paintPage(canvas, page);
        if (progress)
            progress(page + 1, total);
    }
    painter.end();
}

void writePdf(const Report &report, const QString &path,
              const std::function<void(int done, int total)> &progress)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(1200);
        writer.setTitle(report.title());
        writer.setCreator(QStringLiteral("Kvintor"));
        paint(report, writer, progress);
    }
    AtomicFile::write(path, buffer.data(), QStringLiteral("Не удалось записать файл PDF"));
}

} // namespace ReportOutput
