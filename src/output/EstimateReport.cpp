#include "EstimateReport.h"

#include "Numbers.h"
#include "PageCanvas.h"

#include <QLocale>
#include <QMarginsF>
#include <QPageSize>
#include <utility>

namespace {

// A4 portrait; the bands are as wide as the form's, a little wider than the
// printable area.
constexpr double kMarginTop = 15;
constexpr double kMarginBottom = 15;
constexpr double kMarginLeft = 30;
constexpr double kMarginRight = 15;
constexpr double kPaperWidth = 210;
constexpr double kPaperHeight = 297;
constexpr double kPrintableHeight = kPaperHeight - kMarginTop - kMarginBottom;
constexpr double kBandWidth = 165.1;

constexpr double kTitleHeight = 31.8;
constexpr double kHeaderHeight = 5.8;
constexpr double kRowHeight = 5.6;
constexpr double kTotalHeight = 7.9;
constexpr double kFooterHeight = 8.5;
constexpr double kPageNumberTop = 2.1;
// Keeps the rounding of summed heights from moving a page break.
constexpr double kTolerance = 1e-6;

constexpr TextStyle kText{10};
constexpr TextStyle kHeaderText{10, true};
constexpr TextStyle kTotalText{12, true};
constexpr TextStyle kPageNumberText{12};

// A cell of a position row: its box from left to right, how its text aligns,
// and whether the text is a number, which is never cut.
struct Cell {
    double left;
    double right;
    int alignment;
    bool number;
};

constexpr Cell kRowCells[] = {
    {2.1, 10.8, Qt::AlignHCenter, true},     // running number
    {14.8, 101.6, Qt::AlignLeft, false},     // caption
    {101.6, 116.4, Qt::AlignHCenter, true},  // quantity
    {116.4, 124.6, Qt::AlignHCenter, false}, // unit
    {124.9, 144.2, Qt::AlignHCenter, true},  // unit price
    {143.9, 163.2, Qt::AlignRight, true},    // line sum
};
// The vertical rules of a position row, the band's edges among them.
constexpr double kRowRules[] = {0, 10.8, 101.6, 116.4, 124.6, 143.9, kBandWidth};
// " Итого: " and the total, each in a box ruled at its bottom and sides.
constexpr Cell kTotalCells[] = {
    {123.8, 144.4, Qt::AlignRight, false},
    {143.9, 164.5, Qt::AlignRight, true},
};

QString blanks(int count)
{
    return QString(count, u' ');
}

// One text whose blanks place the titles over the columns.
QString columnHeader()
{
    return QStringLiteral(" № п/п") + blanks(4) + QStringLiteral("Наименование") + blanks(58) +
           QStringLiteral("Кол-во") + blanks(3) + QStringLiteral("Ед.") + blanks(6) +
           QStringLiteral("Цена") + blanks(10) + QStringLiteral("Сумма");
}

// The longest beginning of text that fits width, cut after a whole character.
QString cutToWidth(const QString &text, double width, const TextStyle &style)
{
    if (PageCanvas::width(text, style) <= width)
        return text;
    qsizetype fits = 0;
    qsizetype tooLong = text.size();
    while (tooLong - fits > 1) {
        const qsizetype middle = (fits + tooLong) / 2;
        if (PageCanvas::width(text.left(middle), style) <= width)
            fits = middle;
        else
            tooLong = middle;
    }
    if (fits > 0 && text[fits - 1].isHighSurrogate())
        --fits;
    return text.left(fits);
}

// Prints text on one line in the cell's box between top and top + height,
// centred vertically. Other text is cut at the box; a number too wide for
// its box spreads out of it the way it aligns, for a cut number would print
// a wrong value.
void cellText(PageCanvas &canvas, const Cell &cell, double top, double height, const QString &text,
              const TextStyle &style, int flags = 0)
{
    double left = cell.left;
    double right = cell.right;
    QString printed = text;
    if (!cell.number) {
        printed = cutToWidth(text, right - left, style);
    } else if (const double excess = PageCanvas::width(text, style) - (right - left); excess > 0) {
        if (cell.alignment & Qt::AlignRight) {
            left -= excess + 0.1;
        } else if (cell.alignment & Qt::AlignHCenter) {
            left -= excess / 2 + 0.1;
            right += excess / 2 + 0.1;
        } else {
            right += excess + 0.1;
        }
    }
    canvas.text(QRectF(left, top, right - left, height), printed, style,
                cell.alignment | Qt::AlignVCenter | Qt::TextSingleLine | flags);
}

void paintColumnHeader(PageCanvas &canvas, double top)
{
    const QRectF band(0, top, kBandWidth, kHeaderHeight);
    canvas.frame(band);
    canvas.text(band, columnHeader(), kHeaderText,
                Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine);
}

void paintPageNumber(PageCanvas &canvas, int page)
{
    const double top = kPrintableHeight - kFooterHeight + kPageNumberTop;
    canvas.text(QRectF(148.4, top, 163.7 - 148.4, PageCanvas::lineHeight(kPageNumberText)),
                QString::number(page + 1), kPageNumberText,
                Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine);
}

double lineSum(const EstimateContents::Row &row)
{
    return row.quantity.value_or(0) * row.cost.value_or(0);
}

} // namespace

EstimateReport::EstimateReport(EstimateContents contents) : m_contents(std::move(contents))
{
    const int rows = int(m_contents.rows.size());
    if (rows == 0)
        return;
    const double body = kPrintableHeight - kFooterHeight;
    Page page{0, 0, true, false};
    double room = body - kTitleHeight - kHeaderHeight;
    for (int row = 0; row < rows; ++row) {
        if (room < kRowHeight - kTolerance) {
            m_pages.append(page);
            page = Page{row};
            room = body - kHeaderHeight;
        }
        ++page.rowCount;
        room -= kRowHeight;
    }
    // The total stays with the last row when it fits below it.
    if (room < kTotalHeight - kTolerance) {
        m_pages.append(page);
        page = Page{rows};
    }
    page.total = true;
    m_pages.append(page);
}

QString EstimateReport::title() const
{
    return QStringLiteral("Смета");
}

QPageLayout EstimateReport::pageLayout() const
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                       QMarginsF(kMarginLeft, kMarginTop, kMarginRight, kMarginBottom),
                       QPageLayout::Millimeter);
}

int EstimateReport::pageCount() const
{
    return int(m_pages.size());
}

void EstimateReport::paintPage(PageCanvas &canvas, int page) const
{
    if (page < 0 || page >= m_pages.size())
        return;
    const Page &contents = m_pages[page];
    double top = 0;
    if (contents.title) {
        paintTitle(canvas);
        top += kTitleHeight;
    }
    paintColumnHeader(canvas, top);
    top += kHeaderHeight;
    for (int row = contents.firstRow; row < contents.firstRow + contents.rowCount; ++row) {
        paintRow(canvas, top, row);
        top += kRowHeight;
    }
    if (contents.total)
        paintTotal(canvas, top);
    paintPageNumber(canvas, page);
}

QStringList EstimateReport::rowTexts(int row) const
{
    const EstimateContents::Row &r = m_contents.rows.at(row);
    return {QString::number(row + 1),
            r.caption,
            Numbers::masked(r.quantity.value_or(0), QStringLiteral("0.##")),
            r.unit,
            Numbers::masked(r.cost.value_or(0), QStringLiteral("0.00")),
            Numbers::masked(lineSum(r), QStringLiteral("0.00"))};
}

QString EstimateReport::totalText() const
{
    double total = 0;
    for (const EstimateContents::Row &row : m_contents.rows)
        total += lineSum(row);
    return Numbers::masked(total, QStringLiteral("# ##0"));
}

void EstimateReport::paintTitle(PageCanvas &canvas) const
{
    const HeaderFields &header = m_contents.header;
    const QString date =
        QLocale(QLocale::Russian, QLocale::Russia).toString(m_contents.date, QLocale::ShortFormat);
    const struct {
        double x, y;
        QString text;
    } texts[] = {
        {0, 0, m_contents.firm},
        {0, 4.2, QStringLiteral("Заказчик:")},
        {16.9, 4.2, header[HeaderFields::Customer] + u' ' + header[HeaderFields::CustomerMore]},
        {0, 8.5, header[HeaderFields::Address]},
        {0, 12.7, header[HeaderFields::AddressMore]},
        {0, 16.9, header[HeaderFields::Object]},
        {0, 21.2, header[HeaderFields::ObjectMore]},
        {0, 25.4, header[HeaderFields::DocumentCode]},
        {137.3, 25.4, QStringLiteral("Дата: ")},
        {147.9, 25.4, date},
    };
    // Each text is as wide as it is: the date reaches a little past the band,
    // and only the edge of the paper cuts a text.
    const double height = PageCanvas::lineHeight(kText);
    for (const auto &[x, y, text] : texts) {
        const double width = kPaperWidth - kMarginLeft - x;
        canvas.text(QRectF(x, y, width, height), cutToWidth(text, width, kText), kText,
                    Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine);
    }
}

void EstimateReport::paintRow(PageCanvas &canvas, double top, int row) const
{
    const QStringList texts = rowTexts(row);
    for (int i = 0; i < texts.size(); ++i)
        cellText(canvas, kRowCells[i], top, kRowHeight, texts[i], kText);
    const double bottom = top + kRowHeight;
    for (const double x : kRowRules)
        canvas.line(x, top, x, bottom);
    canvas.line(0, bottom, kBandWidth, bottom);
}

void EstimateReport::paintTotal(PageCanvas &canvas, double top) const
{
    const QString texts[] = {QStringLiteral(" Итого: "), totalText()};
    const double bottom = top + kTotalHeight;
    for (int i = 0; i < 2; ++i) {
        const Cell &cell = kTotalCells[i];
        // Blanks count as the form sets them, the last one included.
        cellText(canvas, cell, top, kTotalHeight, texts[i], kTotalText,
                 Qt::TextIncludeTrailingSpaces);
        canvas.line(cell.left, top, cell.left, bottom);
        canvas.line(cell.right, top, cell.right, bottom);
        canvas.line(cell.left, bottom, cell.right, bottom);
    }
}
