#include "EstimateReport.h"

#include "AppError.h"
#include "LineBreaker.h"
#include "Numbers.h"

#include <QLocale>
#include <QMarginsF>
#include <QPageSize>
#include <cmath>
#include <functional>
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
// Texts keep this far from the rules of their box.
constexpr double kInset = 0.4;

constexpr TextStyle kText{10};
constexpr TextStyle kHeaderText{10, true};
constexpr TextStyle kTotalText{12, true};
constexpr TextStyle kPageNumberText{12};

// A cell of a position row: its box from left to right, the rules on its
// sides and how its text aligns.
struct Cell {
    double left;
    double right;
    double ruleLeft;
    double ruleRight;
    Qt::Alignment alignment;

    double textLeft() const { return std::max(left, ruleLeft + kInset); }
    double textRight() const { return std::min(right, ruleRight - kInset); }
    double width() const { return textRight() - textLeft(); }
};

enum CellIndex { RowNumber, Caption, Quantity, Unit, Price, Sum };

// The vertical rules of a position row, the band's edges among them.
constexpr double kRowRules[] = {0, 10.8, 101.6, 116.4, 124.6, 143.9, kBandWidth};
constexpr Cell kRowCells[] = {
    {2.1, 10.8, 0, 10.8, Qt::AlignHCenter},            // running number
    {14.8, 101.6, 10.8, 101.6, Qt::AlignLeft},         // caption
    {101.6, 116.4, 101.6, 116.4, Qt::AlignHCenter},    // quantity
    {116.4, 124.6, 116.4, 124.6, Qt::AlignHCenter},    // unit
    {124.9, 144.2, 124.6, 143.9, Qt::AlignHCenter},    // unit price
    {143.9, 163.2, 143.9, kBandWidth, Qt::AlignRight}, // line sum
};
// " Итого: " and the total, each in a box ruled at its bottom and sides.
constexpr Cell kTotalCells[] = {
    {123.8, 144.4, 123.8, 144.4, Qt::AlignRight},
    {143.9, 164.5, 143.9, 164.5, Qt::AlignRight},
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

TextBlock oneLine(const QString &text, const TextStyle &style)
{
    if (text.isEmpty())
        return {style, {}, {}};
    return {style, {text}, {PageCanvas::width(text, style)}};
}

// The longest beginning of text that fits width, cut after a whole character.
TextBlock cutToWidth(const QString &text, double width, const TextStyle &style)
{
    const double whole = PageCanvas::width(text, style);
    if (whole <= width)
        return {style, {text}, {whole}};
    qsizetype fits = 0;
    qsizetype tooLong = text.size();
    while (tooLong - fits > 1) {
        const qsizetype middle = (fits + tooLong) / 2;
        if (PageCanvas::width(QStringView(text).left(middle), style) <= width)
            fits = middle;
        else
            tooLong = middle;
    }
    if (fits > 0 && text[fits - 1].isHighSurrogate())
        --fits;
    return oneLine(text.left(fits), style);
}

QString positionName(const EstimateContents::Row &row)
{
    QString name = row.number.isEmpty() ? QStringLiteral("позиции без номера")
                                        : QStringLiteral("позиции %1").arg(row.number);
    if (!row.name.isEmpty())
        name += QStringLiteral(" «%1»").arg(row.name);
    return name;
}

// The sum of a row with a price; a missing quantity counts as none.
double lineSum(const EstimateContents::Row &row)
{
    return row.quantity.value_or(0) * *row.cost;
}

QString priceText(const EstimateContents::Row &row)
{
    return row.cost ? Numbers::printedMasked(*row.cost, QStringLiteral("0.00")) : QString();
}

QString sumText(const EstimateContents::Row &row)
{
    return row.cost ? Numbers::printedMasked(lineSum(row), QStringLiteral("0.00")) : QString();
}

// A number on one line in its cell, or the estimate is refused with why.
TextBlock number(const QString &text, const Cell &cell, const TextStyle &style,
                 const std::function<QString()> &refusal)
{
    if (std::optional<TextBlock> fitted = OneLine::fit(text, cell.width(), style))
        return std::move(*fitted);
    throw AppError(refusal());
}

QString tooWide(const QString &what, const QString &text, const QString &column)
{
    return QStringLiteral("Смета не напечатана: %1 (%2) не помещается в графу «%3» даже "
                          "шрифтом %4 пт. Проверьте цену и количество.")
        .arg(what, text, column)
        .arg(OneLine::kSmallestPoints);
}

void paintColumnHeader(PageCanvas &canvas, double top)
{
    static const TextBlock header = oneLine(columnHeader(), kHeaderText);
    const QRectF band(0, top, kBandWidth, kHeaderHeight);
    canvas.frame(band);
    canvas.text(header, 0, kBandWidth, top + (kHeaderHeight - header.height()) / 2, Qt::AlignLeft);
}

void paintPageNumber(PageCanvas &canvas, int page)
{
    const double top = kPrintableHeight - kFooterHeight + kPageNumberTop;
    const QString number = QString::number(page + 1);
    const TextBlock block =
        OneLine::fit(number, 163.7 - 148.4, kPageNumberText).value_or(oneLine(number, kText));
    canvas.text(block, 148.4, 163.7, top, Qt::AlignRight);
}

} // namespace

EstimateReport::EstimateReport(EstimateContents contents) : m_contents(std::move(contents))
{
    const int rows = int(m_contents.rows.size());
    if (rows == 0)
        return;
    layOutRows();

    const double body = kPrintableHeight - kFooterHeight;
    Page page{0, 0, true, false};
    double room = body - kTitleHeight - kHeaderHeight;
    for (int row = 0; row < rows; ++row) {
        if (room < m_rowHeights[row] - kTolerance && page.rowCount > 0) {
            m_pages.append(page);
            page = Page{row};
            room = body - kHeaderHeight;
        }
        ++page.rowCount;
        room -= m_rowHeights[row];
    }
    // The total stays with the last row when it fits below it.
    if (room < kTotalHeight - kTolerance) {
        m_pages.append(page);
        page = Page{rows};
    }
    page.total = true;
    m_pages.append(page);
}

void EstimateReport::layOutRows()
{
    const HeaderFields &header = m_contents.header;
    const QString date =
        QLocale(QLocale::Russian, QLocale::Russia).toString(m_contents.date, QLocale::ShortFormat);
    const struct {
        double x;
        QString text;
    } titles[] = {
        {0, m_contents.firm},
        {0, QStringLiteral("Заказчик:")},
        {16.9, header[HeaderFields::Customer] + u' ' + header[HeaderFields::CustomerMore]},
        {0, header[HeaderFields::Address]},
        {0, header[HeaderFields::AddressMore]},
        {0, header[HeaderFields::Object]},
        {0, header[HeaderFields::ObjectMore]},
        {0, header[HeaderFields::DocumentCode]},
        {137.3, QStringLiteral("Дата: ")},
        {147.9, date},
    };
    // Each text is as wide as it is: the date reaches a little past the band,
    // and only the edge of the paper cuts a text.
    for (const auto &[x, text] : titles)
        m_title.append(cutToWidth(text, kPaperWidth - kMarginLeft - x, kText));

    const LineBreaker smallest({OneLine::kSmallestPoints});
    const double padding = (kRowHeight - PageCanvas::lineHeight(kText)) / 2;
    double total = 0;
    int largest = 0; // the row that gives the total the most
    for (int row = 0; row < m_contents.rows.size(); ++row) {
        const EstimateContents::Row &r = m_contents.rows[row];
        const QStringList texts = rowTexts(row);
        std::array<TextBlock, kCells> &cells = m_cells.emplace_back();
        cells[RowNumber] = number(texts[RowNumber], kRowCells[RowNumber], kText, [] {
            return QStringLiteral("Смета не напечатана: в ней слишком много строк.");
        });
        cells[Caption] = cutToWidth(texts[Caption], kRowCells[Caption].width(), kText);
        cells[Quantity] = number(texts[Quantity], kRowCells[Quantity], kText, [&] {
            return tooWide(QStringLiteral("количество ") + positionName(r), texts[Quantity],
                           QStringLiteral("Кол-во"));
        });
        // A unit is a word: smaller, and only at the smallest size on more lines.
        cells[Unit] = OneLine::fit(texts[Unit], kRowCells[Unit].width(), kText)
                          .value_or(smallest.lay(texts[Unit], kRowCells[Unit].width()));
        if (r.cost) {
            if (!std::isfinite(*r.cost) || !std::isfinite(lineSum(r)))
                throw AppError(QStringLiteral("Смета не напечатана: сумма %1 слишком велика, "
                                              "чтобы её сосчитать. Проверьте цену и количество.")
                                   .arg(positionName(r)));
            cells[Price] = number(texts[Price], kRowCells[Price], kText, [&] {
                return tooWide(QStringLiteral("цена ") + positionName(r), texts[Price],
                               QStringLiteral("Цена"));
            });
            cells[Sum] = number(texts[Sum], kRowCells[Sum], kText, [&] {
                return tooWide(QStringLiteral("сумма ") + positionName(r), texts[Sum],
                               QStringLiteral("Сумма"));
            });
            total += lineSum(r);
            const EstimateContents::Row &most = m_contents.rows[largest];
            if (!most.cost || std::fabs(lineSum(r)) > std::fabs(lineSum(most)))
                largest = row;
        }
        double height = kRowHeight;
        for (const TextBlock &cell : cells)
            height = std::max(height, cell.height() + 2 * padding);
        m_rowHeights.append(height);
    }

    const EstimateContents::Row &most = m_contents.rows[largest];
    if (!std::isfinite(total))
        throw AppError(QStringLiteral("Смета не напечатана: итог слишком велик, чтобы его "
                                      "сосчитать; больше всего в него даёт сумма %1.")
                           .arg(positionName(most)));
    m_total[0] = oneLine(QStringLiteral(" Итого: "), kTotalText);
    const QString totalText = this->totalText();
    m_total[1] = number(totalText, kTotalCells[1], kTotalText, [&] {
        return tooWide(QStringLiteral("итог, больше всего в который даёт сумма ") +
                           positionName(most),
                       totalText, QStringLiteral("Итого"));
    });
}

QString EstimateReport::title() const
{
    return QStringLiteral("Смета");
}

DocumentInfo EstimateReport::documentInfo() const
{
    return DocumentInfo::of(QStringLiteral("Смета"), m_contents.header, m_contents.firm);
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
        top += m_rowHeights[row];
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
            Numbers::printedMasked(r.quantity.value_or(0), QStringLiteral("0.##")),
            r.unit,
            priceText(r),
            sumText(r)};
}

QString EstimateReport::totalText() const
{
    double total = 0;
    for (const EstimateContents::Row &row : m_contents.rows) {
        if (row.cost)
            total += lineSum(row);
    }
    return Numbers::printedMasked(total, QStringLiteral("# ##0"));
}

void EstimateReport::paintTitle(PageCanvas &canvas) const
{
    constexpr double kTops[] = {0, 4.2, 4.2, 8.5, 12.7, 16.9, 21.2, 25.4, 25.4, 25.4};
    constexpr double kLefts[] = {0, 0, 16.9, 0, 0, 0, 0, 0, 137.3, 147.9};
    for (int i = 0; i < m_title.size(); ++i)
        canvas.text(m_title[i], kLefts[i], kPaperWidth - kMarginLeft, kTops[i], Qt::AlignLeft);
}

void EstimateReport::paintRow(PageCanvas &canvas, double top, int row) const
{
    const double height = m_rowHeights[row];
    const std::array<TextBlock, kCells> &cells = m_cells[row];
    for (int i = 0; i < kCells; ++i) {
        const Cell &cell = kRowCells[i];
        canvas.text(cells[i], cell.textLeft(), cell.textRight(),
                    top + (height - cells[i].height()) / 2, cell.alignment);
    }
    const double bottom = top + height;
    for (const double x : kRowRules)
        canvas.line(x, top, x, bottom);
    canvas.line(0, bottom, kBandWidth, bottom);
}

void EstimateReport::paintTotal(PageCanvas &canvas, double top) const
{
    const double bottom = top + kTotalHeight;
    for (int i = 0; i < 2; ++i) {
        const Cell &cell = kTotalCells[i];
        canvas.text(m_total[i], cell.textLeft(), cell.textRight(),
                    top + (kTotalHeight - m_total[i].height()) / 2, cell.alignment);
        canvas.line(cell.left, top, cell.left, bottom);
        canvas.line(cell.right, top, cell.right, bottom);
        canvas.line(cell.left, bottom, cell.right, bottom);
    }
}
