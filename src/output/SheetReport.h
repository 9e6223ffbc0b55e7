#pragma once

#include "HeaderFields.h"
#include "PageCanvas.h"
#include "Report.h"
#include "SheetTitleBlock.h"

#include <QList>
#include <QRectF>
#include <QString>
#include <array>
#include <optional>

// What the sheet "Спецификация оборудования и материалов" prints: the
// header fields (the stage included), the firm, and the groups in their
// order with their positions as text.
struct SheetContents {
    struct Row {
        QString number, caption, type, code, maker, unit, quantity, mass, comment;
        QString name = {}; // the block name, which names the position in messages
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
// Texts wrap at words inside their column, hyphenated where a word is wider
// than the column; numbers stay on one line, smaller where they must; rows
// grow to hold their whole text. A heading stays on the page of its first
// row; what is taller than a page continues on the next.
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
    // Throws AppError naming the position when a number does not fit its
    // column even in the smallest size.
    explicit SheetReport(SheetContents contents);

    QString title() const override;
    DocumentInfo documentInfo() const override;
    QPageLayout pageLayout() const override;
    int pageCount() const override;
    void paintPage(PageCanvas &canvas, int page) const override;

    // What page holds, top to bottom.
    const QList<Placed> &placed(int page) const;
    // Where headings and rows go on every page: between the column numbers
    // and the title block's band.
    static QRectF body();

private:
    static constexpr int kColumns = 9;
    using Cells = std::array<TextBlock, kColumns>;

    void layOut();
    void paintHeading(PageCanvas &canvas, const Placed &item) const;
    void paintRow(PageCanvas &canvas, const Placed &item) const;

    SheetContents m_contents;
    QList<TextBlock> m_headings;
    QList<double> m_headingHeights;
    QList<QList<Cells>> m_cells;
    QList<QList<double>> m_rowHeights;
    QList<QList<Placed>> m_pages;
    std::optional<SheetTitleBlock> m_titleBlock;
};
