#include "SheetReport.h"

#include "PageCanvas.h"
#include "SheetText.h"
#include "SheetTitleBlock.h"

#include <QPageSize>
#include <algorithm>
#include <cmath>

namespace {

// The printable area of an A3 landscape page less its margins.
constexpr double kWidth = 395;
constexpr double kHeight = 287;

constexpr double kHeaderHeight = 24.9;
constexpr double kNumbersHeight = 8.5;
constexpr double kBodyTop = kHeaderHeight + kNumbersHeight;
constexpr double kBodyBottom = SheetTitleBlock::kBandTop;

constexpr double kRowHeight = 8.5;
constexpr double kHeadingHeight = 16.9;
constexpr double kHeadingUpper = 8.5; // the empty table row above the name

constexpr double kHeavy = 2;

const TextStyle kTitleStyle{12, true};
const TextStyle kNumberStyle{14, true};
const TextStyle kRowStyle{12, false, true};
const TextStyle kHeadingStyle{12, true, false, true};

struct ColumnTitle {
    double left, right;
    const char *lines; // the blank lines first, to stand the titles on one base
};
const ColumnTitle kTitles[9] = {
    {0.0, 20.4, "\n\nПозиция"},
    {20.1, 148.2, "\n\nНаименование и техническая характеристика"},
    {149.0, 206.6, "\nТип, марка,\nобозначение документа,\nопросного листа"},
    {207.2, 244.5, "\nКод оборудова-\nния, изделия,\nматериала"},
    {245.0, 287.3, "\n\nЗавод-изготовитель"},
    {286.3, 308.0, "\n\nЕд.Изм."},
    {308.5, 329.7, "\n\nКоли-\nчество"},
    {328.3, 355.3, "\n\nМасса\nединицы, кг"},
    {356.1, 398.5, "\n\nПримечания"},
};
const double kNumberBoxes[9][2] = {{0.0, 20.4},    {20.1, 148.2},  {149.5, 203.5},
                                   {207.2, 244.5}, {256.1, 273.3}, {286.3, 308.0},
                                   {311.1, 328.3}, {328.3, 355.3}, {368.3, 385.5}};
// The heavy sides of columns 2, 4, 6 and 8 in the page header.
const double kHeaderRules[8] = {20.1, 148.2, 207.2, 244.5, 286.3, 308.0, 328.3, 355.3};

struct RowBox {
    double left, right;
    Qt::Alignment align;
};
using Row = SheetContents::Row;
QString Row::*const kFields[9] = {&Row::number,   &Row::caption, &Row::type,
                                  &Row::code,     &Row::maker,   &Row::unit,
                                  &Row::quantity, &Row::mass,    &Row::comment};
const RowBox kRowBoxes[9] = {
    {0.0, 21.2, Qt::AlignHCenter},    {22.0, 148.4, Qt::AlignLeft},
    {150.0, 207.4, Qt::AlignHCenter}, {207.4, 244.5, Qt::AlignHCenter},
    {245.3, 286.3, Qt::AlignHCenter}, {286.8, 308.0, Qt::AlignHCenter},
    {308.2, 329.4, Qt::AlignHCenter}, {328.9, 355.3, Qt::AlignHCenter},
    {355.9, 395.3, Qt::AlignHCenter},
};
const double kRowRules[8] = {21.2, 148.4, 207.4, 244.5, 286.8, 308.0, 328.9, 355.3};
const double kHeadingUpperRules[8] = {20.6, 148.2, 207.4, 244.5, 286.8, 308.0, 328.9, 355.3};
const double kHeadingLowerRules[7] = {21.2, 207.4, 244.5, 286.8, 308.0, 328.9, 355.3};
constexpr double kNameLeft = 22.0;
constexpr double kNameRight = 148.4;

// Where the lines of one style lie: one line centred in its box, every further
// line one pitch lower.
struct Lines {
    double height; // of one line
    double pitch;  // from one line to the next

    explicit Lines(const TextStyle &style)
        : height(PageCanvas::lineHeight(style)),
          pitch(PageCanvas::measure(QStringLiteral("x\nx"), 100, style) - height)
    {
    }
    // The padding above a single line centred in a box box high.
    double padding(double box) const { return (box - height) / 2; }
    // The last place at most limit below the top of an item total high whose
    // lines start at first where the item may be cut between two lines, a
    // line left below the cut; 0 if none.
    double cutWithin(double first, double limit, double total) const
    {
        const double gap = pitch - height;
        const double below = std::min(limit, total - height);
        const double lines = std::floor((below - first + gap / 2) / pitch);
        return lines >= 1 ? first + lines * pitch - gap / 2 : 0;
    }
};

const Lines &rowLines()
{
    static const Lines lines(kRowStyle);
    return lines;
}

const Lines &headingLines()
{
    static const Lines lines(kHeadingStyle);
    return lines;
}

double rowPadding()
{
    return rowLines().padding(kRowHeight);
}

double namePadding()
{
    return headingLines().padding(kHeadingHeight - kHeadingUpper);
}

// Fills pages from the top of the body down, opening a new page for what
// does not fit below what is there.
class Flow {
public:
    explicit Flow(QList<QList<SheetReport::Placed>> &pages) : m_pages(pages) { newPage(); }

    // Opens a new page unless height fits below what this page holds.
    void keepTogether(double height)
    {
        if (m_y > kBodyTop && m_y + height > kBodyBottom)
            newPage();
    }

    // Places an item of height whose lines start at firstLine; one taller
    // than a page is cut between lines and continues on the next pages.
    void place(int group, int row, double height, double firstLine, const Lines &lines)
    {
        double offset = 0;
        while (m_y + height - offset > kBodyBottom) {
            const double cut = lines.cutWithin(firstLine, offset + kBodyBottom - m_y, height);
            if (cut <= offset && m_y > kBodyTop) {
                newPage();
                continue;
            }
            // A single line taller than a whole page is cut where the page ends.
            const double end = cut > offset ? cut : offset + kBodyBottom - m_y;
            m_pages.last().append({group, row, m_y, end - offset, offset});
            offset = end;
            newPage();
        }
        m_pages.last().append({group, row, m_y, height - offset, offset});
        m_y += height - offset;
    }

private:
    void newPage()
    {
        m_pages.emplace_back();
        m_y = kBodyTop;
    }

    QList<QList<SheetReport::Placed>> &m_pages;
    double m_y = kBodyTop;
};

void paintPageHeader(PageCanvas &canvas)
{
    for (const ColumnTitle &title : kTitles)
        canvas.text(QRectF(title.left, 0, title.right - title.left, kHeaderHeight),
                    QString::fromUtf8(title.lines), kTitleStyle,
                    Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap);
    const double numberTop =
        kHeaderHeight + (kNumbersHeight - PageCanvas::lineHeight(kNumberStyle)) / 2;
    for (int i = 0; i < 9; ++i) {
        const auto [left, right] = kNumberBoxes[i];
        canvas.text(QRectF(left, numberTop, right - left, kNumbersHeight), QString::number(i + 1),
                    kNumberStyle, Qt::AlignHCenter | Qt::AlignTop);
    }
    for (double x : kHeaderRules)
        canvas.line(x, 0, x, kBodyTop, kHeavy);
    canvas.line(0, kHeaderHeight, kWidth, kHeaderHeight, kHeavy);
    canvas.line(0, kBodyTop, kWidth, kBodyTop, kHeavy);
}

} // namespace

SheetReport::SheetReport(SheetContents contents) : m_contents(std::move(contents))
{
    layOut();
}

QString SheetReport::title() const
{
    return QStringLiteral("Спецификация");
}

QPageLayout SheetReport::pageLayout() const
{
    return QPageLayout(QPageSize(QPageSize::A3), QPageLayout::Landscape, QMarginsF(15, 5, 10, 5),
                       QPageLayout::Millimeter);
}

int SheetReport::pageCount() const
{
    return int(m_pages.size());
}

const QList<SheetReport::Placed> &SheetReport::placed(int page) const
{
    return m_pages.at(page);
}

QRectF SheetReport::body()
{
    return QRectF(0, kBodyTop, kWidth, kBodyBottom - kBodyTop);
}

void SheetReport::layOut()
{
    const double bodyHeight = kBodyBottom - kBodyTop;
    const double rowPad = rowPadding();
    const double nameTop = kHeadingUpper + namePadding();
    const SheetText rowText(kRowStyle), nameText(kHeadingStyle);
    Flow flow(m_pages);
    for (int g = 0; g < m_contents.groups.size(); ++g) {
        SheetContents::Group &group = m_contents.groups[g];
        const double nameWidth = kNameRight - kNameLeft;
        group.name = nameText.fitted(group.name, nameWidth);
        const double nameHeight = nameText.height(group.name, nameWidth);
        const double headingHeight =
            kHeadingHeight + std::max(0.0, nameHeight - headingLines().height);
        m_headingHeights.append(headingHeight);

        QList<double> &heights = m_rowHeights.emplace_back();
        for (Row &row : group.rows) {
            double tallest = 0;
            for (int f = 0; f < 9; ++f) {
                const double width = kRowBoxes[f].right - kRowBoxes[f].left;
                QString &text = row.*kFields[f];
                text = rowText.fitted(text, width);
                tallest = std::max(tallest, rowText.height(text, width));
            }
            heights.append(std::max(kRowHeight, tallest + 2 * rowPad));
        }

        // A heading is never the last thing on a page: it goes with its
        // first row, or with the first part of a row taller than a page.
        double firstRow = 0;
        if (!heights.isEmpty())
            firstRow = heights.first() <= bodyHeight
                           ? heights.first()
                           : rowLines().cutWithin(rowPad, bodyHeight, heights.first());
        flow.keepTogether(headingHeight + firstRow);
        flow.place(g, -1, headingHeight, nameTop, headingLines());
        for (int r = 0; r < heights.size(); ++r) {
            if (r > 0 && heights[r] <= bodyHeight)
                flow.keepTogether(heights[r]);
            flow.place(g, r, heights[r], rowPad, rowLines());
        }
    }
}

void SheetReport::paintPage(PageCanvas &canvas, int page) const
{
    canvas.frame(QRectF(0, 0, kWidth, kHeight), kHeavy);
    paintPageHeader(canvas);
    for (const Placed &item : m_pages.at(page)) {
        const double full =
            item.row < 0 ? m_headingHeights[item.group] : m_rowHeights[item.group][item.row];
        const bool part = item.offset > 0 || item.height < full;
        if (part)
            canvas.clip(QRectF(0, item.top, kWidth, item.height));
        const double top = item.top - item.offset;
        if (item.row < 0)
            paintHeading(canvas, item.group, top);
        else
            paintRow(canvas, item.group, item.row, top);
        if (part) {
            canvas.unclip();
            canvas.line(0, item.top + item.height, kWidth, item.top + item.height);
        }
    }
    SheetTitleBlock::paint(canvas, m_contents.header, m_contents.firm, page, pageCount());
}

void SheetReport::paintHeading(PageCanvas &canvas, int group, double top) const
{
    const double height = m_headingHeights[group];
    const double middle = top + kHeadingUpper;
    const double bottom = top + height;
    for (double x : kHeadingUpperRules)
        canvas.line(x, top, x, middle);
    canvas.line(0, middle, kWidth, middle);
    for (double x : kHeadingLowerRules)
        canvas.line(x, middle, x, bottom);
    const double nameTop = middle + namePadding();
    canvas.text(QRectF(kNameLeft, nameTop, kNameRight - kNameLeft, bottom - nameTop),
                m_contents.groups[group].name, kHeadingStyle);
    canvas.line(0, bottom, kWidth, bottom);
}

void SheetReport::paintRow(PageCanvas &canvas, int group, int row, double top) const
{
    const Row &texts = m_contents.groups[group].rows[row];
    const double height = m_rowHeights[group][row];
    const double textTop = top + rowPadding();
    for (int f = 0; f < 9; ++f) {
        const RowBox &box = kRowBoxes[f];
        canvas.text(QRectF(box.left, textTop, box.right - box.left, top + height - textTop),
                    texts.*kFields[f], kRowStyle, box.align | Qt::AlignTop | Qt::TextWordWrap);
    }
    for (double x : kRowRules)
        canvas.line(x, top, x, top + height);
    canvas.line(0, top + height, kWidth, top + height);
}
