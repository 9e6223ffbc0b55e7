#pragma once

#include "HeaderFields.h"
#include "Report.h"

#include <QList>
#include <QRectF>
#include <QString>

// What the sheet "Спецификация оборудования и материалов" prints: the
// header fields (the stage included), the firm, and the groups in their
// order with their positions as text.
struct SheetContents {
    struct Row {
        QString number, caption, type, code, maker, unit, quantity, mass, comment;
    };
    struct Group {
        QString name; // empty: the positions of no group
        QList<Row> rows;
    };

    HeaderFields header;
    QString firm;
    QList<Group> groups;
};

// The sheet on A3 landscape pages: the page header with the column titles
// and numbers on every page, group headings and position rows, the title
// block of the first sheet on page 1 and the follow-on block on the others.
// Rows grow to hold their whole text; a heading stays on the page of its
// first row; what is taller than a page continues on the next.
class SheetReport final : public Report {
public:
    // A group heading or a position row as it lies on a page. The part of
    // one taller than a page that earlier pages hold is its offset.
    struct Placed {
        int group;
        int row; // -1: the group's heading
        double top;
        double height;
        double offset = 0;
    };

    explicit SheetReport(SheetContents contents);

    QString title() const override;
    QPageLayout pageLayout() const override;
    int pageCount() const override;
    void paintPage(PageCanvas &canvas, int page) const override;

    // What page holds, top to bottom.
    const QList<Placed> &placed(int page) const;
    // Where headings and rows go on every page: between the column numbers
    // and the title block's band.
    static QRectF body();

private:
    void layOut();
    void paintHeading(PageCanvas &canvas, int group, double top) const;
    void paintRow(PageCanvas &canvas, int group, int row, double top) const;

    SheetContents m_contents; // the row texts fitted to their boxes
    QList<double> m_headingHeights;
    QList<QList<double>> m_rowHeights;
    QList<QList<Placed>> m_pages;
};
