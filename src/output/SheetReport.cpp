#include "SheetReport.h"

#include "AppError.h"
#include "LineBreaker.h"
#include "Numbers.h"

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
// Texts keep this far from the rules of their column, so that no rule
// strikes through a letter or a digit.
constexpr double kInset = 0.4;

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

// How a column's text prints: wrapped at words, or as a number on one line
// (the mass only when it reads as one).
enum class Kind { Text, Number, NumberIfOne };

struct RowBox {
    double left, right;
    Qt::Alignment align;
    Kind kind;
    const char16_t *name; // as the messages call the column
};
using Row = SheetContents::Row;
QString Row::*const kFields[9] = {&Row::number,   &Row::caption, &Row::type,
                                  &Row::code,     &Row::maker,   &Row::unit,
                                  &Row::quantity, &Row::mass,    &Row::comment};
const RowBox kRowBoxes[9] = {
    {0.0, 21.2, Qt::AlignHCenter, Kind::Number, u"номер позиции"},
    {22.0, 148.4, Qt::AlignLeft, Kind::Text, nullptr},
    {150.0, 207.4, Qt::AlignHCenter, Kind::Text, nullptr},
    {207.4, 244.5, Qt::AlignHCenter, Kind::Text, nullptr},
    {245.3, 286.3, Qt::AlignHCenter, Kind::Text, nullptr},
    {286.8, 308.0, Qt::AlignHCenter, Kind::Text, nullptr},
    {308.2, 329.4, Qt::AlignHCenter, Kind::Number, u"количество"},
    {328.9, 355.3, Qt::AlignHCenter, Kind::NumberIfOne, u"масса единицы"},
    {355.9, 395.3, Qt::AlignHCenter, Kind::Text, nullptr},
};
const double kRowRules[8] = {21.2, 148.4, 207.4, 244.5, 286.8, 308.0, 328.9, 355.3};
const double kHeadingUpperRules[8] = {20.6, 148.2, 207.4, 244.5, 286.8, 308.0, 328.9, 355.3};
const double kHeadingLowerRules[7] = {21.2, 207.4, 244.5, 286.8, 308.0, 328.9, 355.3};

// A column's box, kept inside the rules (and the frame) that border it.
struct Span {
    double left, right;
    double width() const { return right - left; }
};

Span inside(double left, double right)
{
    const double middle = (left + right) / 2;
    double ruleLeft = 0;
    double ruleRight = kWidth;
    for (const double x : kRowRules) {
        if (x <= middle)
            ruleLeft = std::max(ruleLeft, x);
        else
            ruleRight = std::min(ruleRight, x);
    }
    return {std::max(left, ruleLeft + kInset), std::min(right, ruleRight - kInset)};
}

Span column(int f)
{
    static const std::array<Span, 9> columns = [] {
        std::array<Span, 9> spans;
        for (int i = 0; i < 9; ++i)
            spans[i] = inside(kRowBoxes[i].left, kRowBoxes[i].right);
        return spans;
    }();
    return columns[f];
}

// Where the lines of one style lie: one line centred in its box, every further
// line one pitch lower.
struct Lines {
    double height; // of one line
    double pitch;  // from one line to the next

    explicit Lines(const TextStyle &style)
        : height(PageCanvas::lineHeight(style)), pitch(PageCanvas::linePitch(style))
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
    // The lines of a block whose first line is first below the top of an
    // item that show in the part from offset to offset + height: those whose
    // middle lies in it.
    std::pair<qsizetype, qsizetype> within(double first, double offset, double shown,
                                           qsizetype count) const
    {
        const double middle = first + height / 2;
        const auto from = qsizetype(std::max(0.0, std::ceil((offset - middle) / pitch)));
        const auto to = qsizetype(std::floor((offset + shown - middle) / pitch - 1e-9));
        return {from, std::min(to, count - 1)};
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

// The page header's texts, laid out once for every page of every sheet.
struct PageHeader {
    PageHeader()
    {
        const LineBreaker titles(kTitleStyle);
        for (int i = 0; i < 9; ++i) {
            this->titles[i] =
                titles.lay(QString::fromUtf8(kTitles[i].lines), kTitles[i].right - kTitles[i].left);
            const QString number = QString::number(i + 1);
            numbers[i] = {kNumberStyle, {number}, {PageCanvas::width(number, kNumberStyle)}};
        }
    }

    std::array<TextBlock, 9> titles;
    std::array<TextBlock, 9> numbers;
};

void paintPageHeader(PageCanvas &canvas)
{
    static const PageHeader header;
    for (int i = 0; i < 9; ++i)
        canvas.text(header.titles[i], kTitles[i].left, kTitles[i].right, 0, Qt::AlignHCenter);
    const double numberTop =
        kHeaderHeight + (kNumbersHeight - PageCanvas::lineHeight(kNumberStyle)) / 2;
    for (int i = 0; i < 9; ++i) {
        const auto [left, right] = kNumberBoxes[i];
        canvas.text(header.numbers[i], left, right, numberTop, Qt::AlignHCenter);
    }
    for (double x : kHeaderRules)
        canvas.line(x, 0, x, kBodyTop, kHeavy);
    canvas.line(0, kHeaderHeight, kWidth, kHeaderHeight, kHeavy);
    canvas.line(0, kBodyTop, kWidth, kBodyTop, kHeavy);
}

QString positionName(const Row &row)
{
    QString name = row.number.isEmpty() ? QStringLiteral("Позиция без номера")
                                        : QStringLiteral("Позиция %1").arg(row.number);
    if (!row.name.isEmpty())
        name += QStringLiteral(" «%1»").arg(row.name);
    return name;
}

// A part of a heading or a row on a page: lengths from the item's own top,
// of which the part shows those from offset to offset + height.
struct Part {
    PageCanvas &canvas;
    const SheetReport::Placed &item;

    double pageY(double y) const { return item.top - item.offset + y; }
    void vertical(double x, double from, double to) const
    {
        from = std::max(from, item.offset);
        to = std::min(to, item.offset + item.height);
        if (to > from)
            canvas.line(x, pageY(from), x, pageY(to));
    }
    void horizontal(double y) const
    {
        if (y >= item.offset - 1e-9 && y <= item.offset + item.height + 1e-9)
            canvas.line(0, pageY(y), kWidth, pageY(y));
    }
    // The lines of block that show, the first line of all first below the
    // item's top.
    void text(const TextBlock &block, const Lines &lines, double first, Span span,
              Qt::Alignment align) const
    {
        const auto [from, to] = lines.within(first, item.offset, item.height, block.lines.size());
        canvas.text(block, from, to, span.left, span.right, pageY(first + from * lines.pitch),
                    align);
    }
};

} // namespace

SheetReport::SheetReport(SheetContents contents) : m_contents(std::move(contents))
{
    layOut();
    m_titleBlock.emplace(m_contents.header, m_contents.firm, pageCount());
}

QString SheetReport::title() const
{
    return QStringLiteral("Спецификация");
}

DocumentInfo SheetReport::documentInfo() const
{
    return DocumentInfo::of(QStringLiteral("Спецификация оборудования и материалов"),
                            m_contents.header, m_contents.firm);
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
    const LineBreaker rowText(kRowStyle), nameText(kHeadingStyle);
    const Span name = column(1);
    Flow flow(m_pages);
    for (int g = 0; g < m_contents.groups.size(); ++g) {
        const SheetContents::Group &group = m_contents.groups[g];
        const TextBlock &heading = m_headings.emplace_back(nameText.lay(group.name, name.width()));
        const double headingHeight =
            kHeadingHeight + std::max(0.0, heading.height() - headingLines().height);
        m_headingHeights.append(headingHeight);

        QList<double> &heights = m_rowHeights.emplace_back();
        QList<Cells> &rows = m_cells.emplace_back();
        for (const Row &row : group.rows) {
            Cells &cells = rows.emplace_back();
            double tallest = 0;
            for (int f = 0; f < kColumns; ++f) {
                const QString &text = row.*kFields[f];
                const Span span = column(f);
                const Kind kind = kRowBoxes[f].kind;
                if (kind == Kind::Text || (kind == Kind::NumberIfOne && !Numbers::parse(text))) {
                    cells[f] = rowText.lay(text, span.width());
                } else if (std::optional<TextBlock> number =
                               OneLine::fit(text, span.width(), kRowStyle)) {
                    cells[f] = std::move(*number);
                } else {
                    throw AppError(
                        QStringLiteral("%1: %2 «%3» не помещается в свою графу листа "
                                       "даже шрифтом %4 пт.")
                            .arg(positionName(row), QString::fromUtf16(kRowBoxes[f].name), text)
                            .arg(OneLine::kSmallestPoints));
                }
                tallest = std::max(tallest, cells[f].height());
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
        if (item.row < 0)
            paintHeading(canvas, item);
        else
            paintRow(canvas, item);
        // The foot of a part of an item that goes on over the page.
        canvas.line(0, item.top + item.height, kWidth, item.top + item.height);
    }
    m_titleBlock->paint(canvas, page);
}

void SheetReport::paintHeading(PageCanvas &canvas, const Placed &item) const
{
    const Part part{canvas, item};
    const double height = m_headingHeights[item.group];
    for (double x : kHeadingUpperRules)
        part.vertical(x, 0, kHeadingUpper);
    part.horizontal(kHeadingUpper);
    for (double x : kHeadingLowerRules)
        part.vertical(x, kHeadingUpper, height);
    part.text(m_headings[item.group], headingLines(), kHeadingUpper + namePadding(), column(1),
              Qt::AlignLeft);
}

void SheetReport::paintRow(PageCanvas &canvas, const Placed &item) const
{
    const Part part{canvas, item};
    const Cells &cells = m_cells[item.group][item.row];
    const double rowPad = rowPadding();
    for (int f = 0; f < kColumns; ++f) {
        const TextBlock &block = cells[f];
        if (block.isEmpty())
            continue;
        if (block.style == kRowStyle) {
            part.text(block, rowLines(), rowPad, column(f), kRowBoxes[f].align);
        } else {
            // A number made smaller stands on the line of its neighbours.
            const double top =
                rowPad + PageCanvas::ascent(kRowStyle) - PageCanvas::ascent(block.style);
            if (top + block.height() / 2 >= item.offset &&
                top + block.height() / 2 < item.offset + item.height)
                canvas.text(block, column(f).left, column(f).right, part.pageY(top),
                            kRowBoxes[f].align);
        }
    }
    const double height = m_rowHeights[item.group][item.row];
    for (double x : kRowRules)
        part.vertical(x, 0, height);
}
