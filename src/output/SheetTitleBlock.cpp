#include "SheetTitleBlock.h"

#include "SheetText.h"

#include <algorithm>

namespace SheetTitleBlock {
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
    // A fixed caption or number: one line that never grows.
    void caption(double left, double right, double y, const QString &text, TextStyle style,
                 Qt::Alignment align = Qt::AlignHCenter)
    {
        m_labels.append({QRectF(left, kBandTop + y, right - left, PageCanvas::lineHeight(style)),
                         text, style, int(align | Qt::AlignTop)});
    }

    // A text of the header fields: wrapped at words, further lines below.
    void field(double left, double right, double y, const QString &text, TextStyle style,
               Qt::Alignment align = Qt::AlignLeft)
    {
        const double width = right - left;
        const SheetText fit(style);
        const QString fitted = fit.fitted(text, width);
        m_labels.append({QRectF(left, kBandTop + y, width, fit.height(fitted, width)), fitted,
                         style, int(align | Qt::AlignTop | Qt::TextWordWrap)});
    }

    // A header text with another one just below it: a text too long for one
    // line prints smaller rather than over its neighbour; only a text that
    // does not fit even at the smallest size wraps.
    void line(double left, double right, double y, const QString &text, TextStyle style,
              Qt::Alignment align = Qt::AlignLeft)
    {
        constexpr double kSmallest = 6;
        const double width = right - left;
        while (style.points > kSmallest && PageCanvas::width(text, style) > width)
            style.points = std::max(kSmallest, style.points - 0.5);
        field(left, right, y, text, style, align);
    }

    QList<SheetLabel> take() { return std::move(m_labels); }

private:
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
        labels.field(211.4, 230.5, kExecutorRows[i], h[role], style);
        labels.field(231.5, 250.6, kExecutorRows[i], h[surname], style);
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
    const TextStyle number{12, true};
    labels.field(348.5, 355.9, 37.0, h[HeaderFields::Stage], number, Qt::AlignHCenter);
    labels.caption(361.7, 373.9, 37.0, QStringLiteral("1"), number);
    labels.caption(378.9, 389.5, 37.3, QString::number(pages), number);

    labels.caption(276.0, 344.8, 46.6, QStringLiteral("Спецификация оборудования"), {12});
    labels.caption(276.0, 344.8, 52.9, QStringLiteral("и материалов"), {12});
    labels.field(345.8, 394.2, 49.7, firm, {9}, Qt::AlignHCenter);
    return labels.take();
}

QList<SheetLabel> followOnLabels(const HeaderFields &h, int page)
{
    Labels labels;
    constexpr double kChangeList[6][2] = {{211.9, 218.8}, {220.7, 230.2}, {231.5, 238.4},
                                          {240.5, 250.3}, {251.6, 263.3}, {266.4, 273.6}};
    changeListHeaders(labels, kChangeList, 55.3, QStringLiteral("№ док."));
    labels.field(278.6, 380.5, 50.3, codeAndSection(h), {14}, Qt::AlignHCenter);
    labels.caption(385.5, 393.4, 46.8, QStringLiteral("Лист"), {10});
    labels.caption(386.3, 393.2, 53.4, QString::number(page + 1), {12, true});
    return labels.take();
}

} // namespace

QList<SheetLabel> labels(const HeaderFields &header, const QString &firm, int page, int pages)
{
    return page == 0 ? firstSheetLabels(header, firm, pages) : followOnLabels(header, page);
}

void paint(PageCanvas &canvas, const HeaderFields &header, const QString &firm, int page, int pages)
{
    if (page == 0)
        paintFirstSheetGrid(canvas);
    else
        paintFollowOnGrid(canvas);
    for (const SheetLabel &label : labels(header, firm, page, pages))
        canvas.text(label.box, label.text, label.style, label.flags);
}

} // namespace SheetTitleBlock
