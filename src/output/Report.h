#pragma once

#include <QPageLayout>
#include <QString>

class PageCanvas;

// A printed report, laid out into pages once and painted page by page on
// whatever shows it: the print preview, the printer, a PDF file. Every
// length is in millimetres.
class Report {
public:
    virtual ~Report() = default;

    // The print job's name.
    virtual QString title() const = 0;
    // Paper, orientation and margins.
    virtual QPageLayout pageLayout() const = 0;
    virtual int pageCount() const = 0;
    // Paints page (from 0) with the canvas's origin at the top left corner
    // of the printable area.
    virtual void paintPage(PageCanvas &canvas, int page) const = 0;
};
