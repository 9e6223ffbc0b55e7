#include "ReportPreview.h"

#include "ErrorReport.h"
#include "GlyphIcon.h"
#include "Report.h"
#include "ReportOutput.h"

#include <QAction>
#include <QFileDialog>
#include <QGuiApplication>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QScreen>
#include <QToolBar>

namespace ReportPreview {

void show(const Report &report, const QString &pdfName,
          const std::function<void(const QString &path)> &savePdf, QWidget *parent)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(report.pageLayout());
    printer.setDocName(report.title());
    printer.setCreator(ReportOutput::creator());

    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setObjectName(QStringLiteral("ReportPreview"));
    dialog.setWindowTitle(QStringLiteral("Просмотр: ") + report.title());
    // Most of the screen, whether or not a window manager maximises it.
    if (const QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        dialog.setGeometry(area.adjusted(area.width() / 20, area.height() / 20, -area.width() / 20,
                                         -area.height() / 20));
    }
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&](QPrinter *device) {
        // The print dialog leaves the pages chosen in it ("Страницы с 2 по 3")
        // for the program to keep to; the preview shows every page.
        PageSpan pages;
        if (device->printRange() == QPrinter::PageRange)
            pages = {device->fromPage(), device->toPage()};
        ErrorReport::guard([&] {
            ReportOutput::checkPages(report, pages);
            // Long sheets show how far the pages have come.
            QProgressDialog progress(QStringLiteral("Подготовка страниц…"), QString(), 0,
                                     pages.all() ? report.pageCount() : pages.to - pages.from + 1,
                                     &dialog);
            progress.setWindowTitle(report.title());
            progress.setMinimumDuration(400);
            progress.setWindowModality(Qt::WindowModal);
            ReportOutput::paint(report, *device, pages,
                                [&](int done, int) { progress.setValue(done); });
        });
    });

    if (auto *tools = dialog.findChild<QToolBar *>()) {
        auto *pdf = new QAction(glyphIcon(QStringLiteral("⇓"), QColor(0xa0, 0x10, 0x10)),
                                QStringLiteral("Сохранить в PDF"), &dialog);
        pdf->setObjectName(QStringLiteral("savePdf"));
        tools->addSeparator();
        tools->addAction(pdf);
        QObject::connect(pdf, &QAction::triggered, &dialog, [&] {
            const QString path =
                QFileDialog::getSaveFileName(&dialog, QStringLiteral("Сохранить в PDF"), pdfName,
                                             QStringLiteral("Документ PDF (*.pdf)"));
            if (!path.isEmpty())
                savePdf(path);
        });
    }
    dialog.exec();
}

} // namespace ReportPreview
