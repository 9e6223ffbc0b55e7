#pragma once

#include "HeaderFields.h"
#include "PageCanvas.h"
#include "Report.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

// What the estimate ("Смета") prints: the title from the header fields and
// the firm, the date, and every position in position order.
struct EstimateContents {
    struct Row {
        QString caption;
        std::optional<double> quantity;
        QString unit;
        std::optional<double> cost; // the unit price; none: not known
        QString number = {};        // the position number and block name,
        QString name = {};          // which name the position in messages
    };

    HeaderFields header;
    QString firm;
    QDate date;
    QList<Row> rows;
};

// The estimate on A4 portrait pages: the title on the first page, the column
// header on every page, one numbered row a position, the total after the
// last row and the page number at the foot of every page. Numbers stay on
// one line in their box, smaller where they must; a position without a price
// has empty price and sum cells and adds nothing to the total.
// An estimate without rows has no pages.
class EstimateReport final : public Report {
public:
    // What one page holds besides its column header and page number.
    struct Page {
        int firstRow = 0; // in the contents, from 0
        int rowCount = 0;
        bool title = false;
        bool total = false;
    };
    static constexpr int kCells = 6;

    // Throws AppError naming the position when a price or a sum is no finite
    // number or does not fit its box even in the smallest size, and so for
    // the total.
    explicit EstimateReport(EstimateContents contents);

    QString title() const override;
    DocumentInfo documentInfo() const override;
    QPageLayout pageLayout() const override;
    int pageCount() const override;
    void paintPage(PageCanvas &canvas, int page) const override;

    const QList<Page> &pages() const { return m_pages; }
    // The cells of row (from 0) as they print: the running number, caption,
    // quantity, unit, unit price and line sum.
    QStringList rowTexts(int row) const;
    // The grand total as it prints.
    QString totalText() const;

private:
    void layOutRows();
    void paintTitle(PageCanvas &canvas) const;
    void paintRow(PageCanvas &canvas, double top, int row) const;
    void paintTotal(PageCanvas &canvas, double top) const;

    EstimateContents m_contents;
    QList<std::array<TextBlock, kCells>> m_cells;
    QList<double> m_rowHeights;
    QList<TextBlock> m_title;
    std::array<TextBlock, 2> m_total;
    QList<Page> m_pages;
};
