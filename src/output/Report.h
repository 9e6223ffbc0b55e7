#pragma once

#include "HeaderFields.h"

#include <QPageLayout>
#include <QString>

class PageCanvas;

// What a PDF file of a report says about itself.
struct DocumentInfo {
    QString title;
    QString author;  // the firm
    QString subject; // the object

    // What a document named name ("Смета") says of a specification with
    // this header, drawn up by firm: its name and code, the firm, the object.
    static DocumentInfo of(const QString &name, const HeaderFields &header, const QString &firm);
};

// The pages of a report that print, from 1, both ends included; none given
// (both 0): every page.
struct PageSpan {
    int from = 0;
    int to = 0;

    bool all() const { return from == 0 && to == 0; }
};

// A printed report, laid out into pages once and painted page by page on
// whatever shows it: the print preview, the printer, a PDF file. Every
// length is in millimetres.
class Report {
public:
    virtual ~Report() = default;

    // The print job's name.
    virtual QString title() const = 0;
    virtual DocumentInfo documentInfo() const = 0;
    // Paper, orientation and margins.
    virtual QPageLayout pageLayout() const = 0;
    virtual int pageCount() const = 0;
    // Paints page (from 0) with the canvas's origin at the top left corner
    // of the printable area.
    virtual void paintPage(PageCanvas &canvas, int page) const = 0;
};
