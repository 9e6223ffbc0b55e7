#include "PageCanvas.h"

#include <QFontDatabase>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <algorithm>
#include <tuple>
#include <unordered_map>

namespace {

// Thin and heavy rules.
constexpr double kRuleWidthMm = 0.25;

const QImage &measuringDevice()
{
    static const QImage device = [] {
        QImage image(1, 1, QImage::Format_Mono);
        const int dotsPerMetre = qRound(PageCanvas::kMeasureDotsPerMm * 1000);
        image.setDotsPerMeterX(dotsPerMetre);
        image.setDotsPerMeterY(dotsPerMetre);
        return image;
    }();
    return device;
}

QFont makeFont(const TextStyle &style)
{
    QFont font(PageCanvas::family());
    font.setPointSizeF(style.points);
    font.setBold(style.bold);
    font.setItalic(style.italic);
    font.setUnderline(style.underline);
    // Outlines without hinting measure alike at every resolution.
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::PreferOutline);
    font.setKerning(false);
    return font;
}

// What layout and painting need of a style, made once: a report asks for a
// handful of styles thousands of times.
struct Styled {
    explicit Styled(const TextStyle &style)
        : font(makeFont(style)), metrics(font, &measuringDevice()),
          height(metrics.height() / PageCanvas::kMeasureDotsPerMm),
          ascent(metrics.ascent() / PageCanvas::kMeasureDotsPerMm)
    {
        // The pitch Qt's own line breaking gives, so that rows keep the
        // height they always had.
        const QRectF two =
            metrics.boundingRect(QRectF(0, 0, 1e6, 1e6), Qt::AlignLeft, QStringLiteral("x\nx"));
        pitch = two.height() / PageCanvas::kMeasureDotsPerMm - height;
    }

    QFont font;
    QFontMetricsF metrics;
    double height;
    double ascent;
    double pitch = 0;
};

const Styled &styled(const TextStyle &style)
{
    // Node-based, so that the fonts handed out stay where they are.
    static std::unordered_map<quint64, Styled> made;
    const quint64 key = quint64(qRound64(style.points * 100)) << 3 | quint64(style.bold) << 2 |
                        quint64(style.italic) << 1 | quint64(style.underline);
    auto found = made.find(key);
    if (found == made.end())
        found = made.emplace(key, Styled(style)).first;
    return found->second;
}

} // namespace

double TextBlock::height() const
{
    if (lines.isEmpty())
        return 0;
    return PageCanvas::lineHeight(style) + (lines.size() - 1) * PageCanvas::linePitch(style);
}

PageCanvas::PageCanvas(QPainter &painter, double dotsPerMm)
    : m_painter(painter), m_dotsPerMm(dotsPerMm)
{
}

void PageCanvas::line(QPointF from, QPointF to, double weight)
{
    // A row's sides, repeated row under row, print as one rule down the page.
    if (from.x() == to.x()) {
        m_uprights.append(
            {from.x(), std::min(from.y(), to.y()), std::max(from.y(), to.y()), weight});
        return;
    }
    setPen(weight);
    // Whole dots (of 1200 an inch on paper) are as exact as any printer,
    // and they write the PDF's paths in half the digits.
    m_painter.drawLine(QLineF((from * m_dotsPerMm).toPoint(), (to * m_dotsPerMm).toPoint()));
}

void PageCanvas::finish()
{
    std::sort(m_uprights.begin(), m_uprights.end(), [](const Upright &a, const Upright &b) {
        return std::tie(a.weight, a.x, a.top) < std::tie(b.weight, b.x, b.top);
    });
    QList<QLineF> lines;
    for (qsizetype i = 0; i < m_uprights.size();) {
        const Upright &first = m_uprights[i];
        double bottom = first.bottom;
        qsizetype next = i + 1;
        // Rules that touch or overlap join.
        while (next < m_uprights.size() && m_uprights[next].weight == first.weight &&
               m_uprights[next].x == first.x && m_uprights[next].top <= bottom + 1e-6) {
            bottom = std::max(bottom, m_uprights[next].bottom);
            ++next;
        }
        lines.append(QLineF(QPointF(first.x, first.top) * m_dotsPerMm,
                            QPointF(first.x, bottom) * m_dotsPerMm)
                         .toLine());
        if (next == m_uprights.size() || m_uprights[next].weight != first.weight) {
            setPen(first.weight);
            m_painter.drawLines(lines);
            lines.clear();
        }
        i = next;
    }
    m_uprights.clear();
}

void PageCanvas::setPen(double weight)
{
    if (weight == m_penWeight)
        return;
    QPen pen(Qt::black, kRuleWidthMm * weight * m_dotsPerMm);
    pen.setCapStyle(Qt::SquareCap);
    m_painter.setPen(pen);
    m_penWeight = weight;
}

void PageCanvas::frame(const QRectF &box, double weight)
{
    line(box.topLeft(), box.topRight(), weight);
    line(box.topRight(), box.bottomRight(), weight);
    line(box.bottomRight(), box.bottomLeft(), weight);
    line(box.bottomLeft(), box.topLeft(), weight);
}

void PageCanvas::text(const TextBlock &block, double left, double right, double top,
                      Qt::Alignment align)
{
    text(block, 0, block.lines.size() - 1, left, right, top, align);
}

void PageCanvas::text(const TextBlock &block, qsizetype first, qsizetype last, double left,
                      double right, double top, Qt::Alignment align)
{
    if (block.lines.isEmpty() || first > last)
        return;
    const Styled &style = styled(block.style);
    if (&style.font != m_font) {
        m_painter.setFont(style.font);
        m_font = &style.font;
    }
    double baseline = top + style.ascent;
    for (qsizetype i = first; i <= last; ++i, baseline += style.pitch) {
        const double width = block.widths[i];
        double x = left;
        if (align & Qt::AlignRight)
            x = right - width;
        else if (align & Qt::AlignHCenter)
            x = left + (right - left - width) / 2;
        m_painter.drawText((QPointF(x, baseline) * m_dotsPerMm).toPoint(), block.lines[i]);
    }
}

QString PageCanvas::family()
{
    static const QString chosen = QFontDatabase::hasFamily(QStringLiteral("Arial"))
                                      ? QStringLiteral("Arial")
                                      : QStringLiteral("Liberation Sans");
    return chosen;
}

const QFontMetricsF &PageCanvas::metrics(const TextStyle &style)
{
    return styled(style).metrics;
}

double PageCanvas::measure(const QString &text, double width, const TextStyle &style)
{
    const QFontMetricsF &measured = metrics(style);
    if (text.isEmpty())
        return measured.height() / kMeasureDotsPerMm;
    const QRectF bounds =
        measured.boundingRect(QRectF(0, 0, width * kMeasureDotsPerMm, 1e9), Qt::TextWordWrap, text);
    return bounds.height() / kMeasureDotsPerMm;
}

double PageCanvas::lineHeight(const TextStyle &style)
{
    return styled(style).height;
}

double PageCanvas::linePitch(const TextStyle &style)
{
    return styled(style).pitch;
}

double PageCanvas::ascent(const TextStyle &style)
{
    return styled(style).ascent;
}

double PageCanvas::width(QStringView text, const TextStyle &style)
{
    return metrics(style).horizontalAdvance(text.toString()) / kMeasureDotsPerMm;
}
