#include "SheetTitleBlock.h"

#include "LineBreaker.h"

namespace {

// The blocks' grids are drawn in the millimetres of the form (185 wide) and
// stretched to the size the block takes on the sheet.
struct Grid {
    double left, top, scaleX, scaleY;

    void rule(PageCanvas &canvas, double x1, double y1, double x2, double y2,
              double weight = 1) const
    {
        canvas.line(left + x1 * scaleX, top + y1 * scaleY, left + x2 * scaleX, top + y2 * scaleY,
                    weight);
    }
};

constexpr double kHeavy = 2;
constexpr double kBandTop = SheetTitleBlock::kBandTop;

Grid firstSheetGrid()
{
    return {210.3, kBandTop + 5.3, 184.9 / 185, 55.0 / 55};
}

Grid followOnGrid()
{
    return {210.1, kBandTop + 45.0, 184.9 / 185, 15.1 / 15};
}

// The change list: six cells a row, the executors below it (first sheet).
void paintFirstSheetGrid(PageCanvas &canvas)
{
    const Grid g = firstSheetGrid();
    for (int row = 1; row < 11; ++row)
        g.rule(canvas, 0, row * 5, 65, row * 5, row == 5 ? kHeavy : 1);
    for (double x : {10, 20, 30, 40, 55})
        g.rule(canvas, x, 0, x, 25, x == 10 || x == 30 ? kHeavy : 1);
    for (double x : {20, 40, 55})
        g.rule(canvas, x, 25, x, 55);
    g.rule(canvas, 65, 0, 65, 55, kHeavy);
    for (double y : {10, 25, 40})
        g.rule(canvas, 65, y, 185, y, kHeavy);
    g.rule(canvas, 135, 25, 135, 55, kHeavy);
    g.rule(canvas, 150, 25, 150, 40);
    g.rule(canvas, 165, 25, 165, 40);
    g.rule(canvas, 135, 30, 185, 30);
    g.rule(canvas, 0, 0, 185, 0, kHeavy);
    g.rule(canvas, 185, 0, 185, 55, kHeavy);
    g.rule(canvas, 185, 55, 0, 55, kHeavy);
    g.rule(canvas, 0, 55, 0, 0, kHeavy);
}

void paintFollowOnGrid(PageCanvas &canvas)
{
    const Grid g = followOnGrid();
    for (double y : {5, 10})
        g.rule(canvas, 0, y, 65, y);
    for (double x : {10, 20, 30, 40, 55})
        g.rule(canvas, x, 0, x, 15);
    g.rule(canvas, 65, 0, 65, 15, kHeavy);
    g.rule(canvas, 175, 0, 175, 15, kHeavy);
    g.rule(canvas, 175, 7, 185, 7);
    g.rule(canvas, 0, 0, 185, 0, kHeavy);
    g.rule(canvas, 185, 0, 185, 15, kHeavy);
    g.rule(canvas, 185, 15, 0, 15, kHeavy);
    g.rule(canvas, 0, 15, 0, 0, kHeavy);
}

// Collects the texts of a block; x from the left of the printable area,
// y from the top of the band.
class Labels {
public:
    // A fixed caption: one line that never grows.
    void caption(double left, double right, double y, const QString &text, TextStyle style,
                 Qt::Alignment align = Qt::AlignHCenter)
    {
        TextBlock block{style, {text}, {PageCanvas::width(text, style)}};
        add(left, right, y, text, std::move(block), align);
    }

    // A text of the header fields in a box of its own: wrapped at words,
    // further lines below.
    void field(double left, double right, double y, const QString &text, TextStyle style,
               Qt::Alignment align = Qt::AlignLeft)
    {
        add(left, right, y, text, LineBreaker(style).lay(text, right - left), align);
    }

    // A text in a cell of one row, a sheet number among them: a text too
    // long for the cell prints smaller rather than over its neighbours; only
    // one that does not fit even at the smallest size wraps.
    void line(double left, double right, double y, const QString &text, TextStyle style,
              Qt::Alignment align = Qt::AlignLeft)
    {
        if (std::optional<TextBlock> fitted = OneLine::fit(text, right - left, style)) {
            add(left, right, y, text, std::move(*fitted), align);
            return;
        }
        style.points = OneLine::kSmallestPoints;
        field(left, right, y, text, style, align);
    }

    QList<SheetLabel> take() { return std::move(m_labels); }

private:
    void add(double left, double right, double y, const QString &text, TextBlock block,
             Qt::Alignment align)
    {
        m_labels.append({left, right, kBandTop + y, text, std::move(block), align});
    }

    QList<SheetLabel> m_labels;
};

void changeListHeaders(Labels &labels, const double (&edges)[6][2], double y,
                       const QString &documentHeader)
{
    const QString headers[6] = {QStringLiteral("Изм."),    QStringLiteral("кол.уч."),
                                QStringLiteral("Лист"),    documentHeader,
                                QStringLiteral("Подпись"), QStringLiteral("Дата")};
    for (int i = 0; i < 6; ++i)
        labels.caption(edges[i][0], edges[i][1], y, headers[i], {8});
}

QString codeAndSection(const HeaderFields &header)
{
    return header[HeaderFields::DocumentCode] + u' ' + header[HeaderFields::Section];
}

const TextStyle kNumberStyle{12, true};

QList<SheetLabel> firstSheetLabels(const HeaderFields &h, const QString &firm, int pages)
{
    Labels labels;
    constexpr double kChangeList[6][2] = {{211.4, 220.1}, {220.9, 230.5}, {231.5, 240.2},
                                          {241.6, 250.3}, {251.4, 264.8}, {266.2, 274.9}};
    changeListHeaders(labels, kChangeList, 25.9, QStringLiteral("N док."));

    constexpr double kExecutorRows[6] = {30.7, 35.5, 40.2, 45.2, 50.3, 55.0};
    for (int i = 0; i < 6; ++i) {
        const TextStyle style{i == 5 ? 9.0 : 10.0};
        const auto role = HeaderFields::Field(HeaderFields::Role1 + 2 * i);
        const auto surname = HeaderFields::Field(HeaderFields::Surname1 + 2 * i);
        labels.line(211.4, 230.5, kExecutorRows[i], h[role], style);
        labels.line(231.5, 250.6, kExecutorRows[i], h[surname], style);
    }

    // A customer written with a leading blank goes without the prefix.
    const QString &customer = h[HeaderFields::Customer];
    const QString prefix = customer.startsWith(u' ') ? QString() : QStringLiteral("Заказчик: ");
    labels.line(277.8, 351.6, 6.3, prefix + customer, {9});
    labels.line(351.4, 393.2, 6.3, codeAndSection(h), {9}, Qt::AlignRight);
    labels.field(277.8, 392.4, 10.3, h[HeaderFields::CustomerMore], {9});
    labels.line(277.8, 392.4, 20.6, h[HeaderFields::Address], {10});
    labels.field(277.8, 392.4, 24.9, h[HeaderFields::AddressMore], {10});
    labels.line(277.8, 344.5, 33.3, h[HeaderFields::Object], {10}, Qt::AlignHCenter);
    labels.field(277.8, 344.5, 39.7, h[HeaderFields::ObjectMore], {10}, Qt::AlignHCenter);

    labels.caption(345.8, 358.8, 30.7, QStringLiteral("Стадия"), {10});
    labels.caption(360.6, 373.6, 30.7, QStringLiteral("Лист"), {10});
    labels.caption(378.1, 391.1, 30.7, QStringLiteral("Листов"), {10});
    labels.line(348.5, 355.9, 37.0, h[HeaderFields::Stage], kNumberStyle, Qt::AlignHCenter);
    labels.line(361.7, 373.9, 37.0, QStringLiteral("1"), kNumberStyle, Qt::AlignHCenter);
    labels.line(378.9, 389.5, 37.3, QString::number(pages), kNumberStyle, Qt::AlignHCenter);

    labels.caption(276.0, 344.8, 46.6, QStringLiteral("Спецификация оборудования"), {12});
    labels.caption(276.0, 344.8, 52.9, QStringLiteral("и материалов"), {12});
    labels.field(345.8, 394.2, 49.7, firm, {9}, Qt::AlignHCenter);
    return labels.take();
}

QList<SheetLabel> followOnLabels(const HeaderFields &h)
{
    Labels labels;
    constexpr double kChangeList[6][2] = {{211.9, 218.8}, {220.7, 230.2}, {231.5, 238.4},
                                          {240.5, 250.3}, {251.6, 263.3}, {266.4, 273.6}};
    changeListHeaders(labels, kChangeList, 55.3, QStringLiteral("№ док."));
    labels.line(278.6, 380.5, 50.3, codeAndSection(h), {14}, Qt::AlignHCenter);
    labels.caption(385.5, 393.4, 46.8, QStringLiteral("Лист"), {10});
    return labels.take();
}

SheetLabel sheetNumber(int page)
{
    Labels labels;
    labels.line(386.3, 393.2, 53.4, QString::number(page + 1), kNumberStyle, Qt::AlignHCenter);
    return labels.take().first();
}

} // namespace

SheetTitleBlock::SheetTitleBlock(const HeaderFields &header, const QString &firm, int pages)
    : m_firstSheet(firstSheetLabels(header, firm, pages)), m_followOn(followOnLabels(header))
{
}

QList<SheetLabel> SheetTitleBlock::labels(int page) const
{
    if (page == 0)
        return m_firstSheet;
    return QList<SheetLabel>(m_followOn) << sheetNumber(page);
}

void SheetTitleBlock::paint(PageCanvas &canvas, int page) const
{
    const auto paintLabel = [&](const SheetLabel &label) {
        canvas.text(label.block, label.left, label.right, label.top, label.align);
    };
    if (page == 0) {
        paintFirstSheetGrid(canvas);
        for (const SheetLabel &label : m_firstSheet)
            paintLabel(label);
        return;
    }
    paintFollowOnGrid(canvas);
    for (const SheetLabel &label : m_followOn)
        paintLabel(label);
    paintLabel(sheetNumber(page));
}
