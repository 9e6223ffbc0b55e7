#include "ReportOutput.h"

#include "AppError.h"
#include "AtomicFile.h"
#include "PageCanvas.h"
#include "PdfMetadata.h"

#include <QBuffer>
#include <QDateTime>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

namespace ReportOutput {

QString pagesText(int count)
{
    const int lastTwo = count % 100;
    const int last = count % 10;
    const char16_t *word = u"страниц";
    if (last == 1 && lastTwo != 11)
        word = u"страница";
    else if (last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14))
        word = u"страницы";
    return QString::number(count) + u' ' + QString::fromUtf16(word);
}

void checkPages(const Report &report, PageSpan pages)
{
    if (pages.all())
        return;
    const int count = report.pageCount();
    if (pages.from < 1 || pages.to < pages.from || pages.to > count)
        throw AppError(QStringLiteral("В документе «%1» %2: страниц с %3 по %4 в нём нет.")
                           .arg(report.title(), pagesText(count))
                           .arg(pages.from)
                           .arg(pages.to));
}

void paint(const Report &report, QPagedPaintDevice &device, PageSpan pages,
           const Progress &progress)
{
    checkPages(report, pages);
    const int first = pages.all() ? 0 : pages.from - 1;
    const int last = pages.all() ? report.pageCount() - 1 : pages.to - 1;
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
    for (int page = first; page <= last; ++page) {
        if (page > first)
            device.newPage();
        painter.resetTransform();
        painter.translate(margins.left() * dotsPerMm, margins.top() * dotsPerMm);
        PageCanvas canvas(painter, dotsPerMm);
        report.paintPage(canvas, page);
        canvas.finish();
        if (progress)
            progress(page - first + 1, last - first + 1);
    }
    painter.end();
}

void writePdf(const Report &report, const QString &path, PageSpan pages, const Progress &progress)
{
    checkPages(report, pages);
    PdfMetadata::Fields fields{report.documentInfo(), creator(),
                               QStringLiteral("Qt " QT_VERSION_STR), QDateTime::currentDateTime()};
    // Whole seconds, as both the dictionary and the XMP tell the time.
    fields.created.setTime(QTime(fields.created.time().hour(), fields.created.time().minute(),
                                 fields.created.time().second()));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPdfVersion(QPagedPaintDevice::PdfVersion_A1b);
        writer.setResolution(1200);
        writer.setTitle(fields.info.title);
        writer.setCreator(fields.creator);
        writer.setDocumentXmpMetadata(PdfMetadata::xmp(fields));
        paint(report, writer, pages, progress);
    }
    QByteArray pdf = buffer.data();
    PdfMetadata::rewriteInfo(pdf, fields);
    AtomicFile::write(path, pdf, QStringLiteral("Не удалось записать файл PDF"));
}

QString creator()
{
    return QStringLiteral("Kvintor " KVINTOR_VERSION);
}

} // namespace ReportOutput

DocumentInfo DocumentInfo::of(const QString &name, const HeaderFields &header, const QString &firm)
{
    QString title = name;
    if (const QString code = header[HeaderFields::DocumentCode].trimmed(); !code.isEmpty())
        title += QStringLiteral(", ") + code;
    const QString subject =
        (header[HeaderFields::Object].trimmed() + u' ' + header[HeaderFields::ObjectMore].trimmed())
            .trimmed();
    return {title, firm.trimmed(), subject};
}
