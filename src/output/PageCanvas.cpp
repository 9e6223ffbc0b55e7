#include "PageCanvas.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPen>

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

} // namespace

PageCanvas::PageCanvas(QPainter &painter, double dotsPerMm)
    : m_painter(painter), m_dotsPerMm(dotsPerMm)
{
}

void PageCanvas::line(QPointF from, QPointF to, double weight)
{
    QPen pen(Qt::black, kRuleWidthMm * weight * m_dotsPerMm);
    pen.setCapStyle(Qt::SquareCap);
    m_painter.setPen(pen);
    m_painter.drawLine(from * m_dotsPerMm, to * m_dotsPerMm);
}

void PageCanvas::frame(const QRectF &box, double weight)
{
    line(box.topLeft(), box.topRight(), weight);
    line(box.topRight(), box.bottomRight(), weight);
    line(box.bottomRight(), box.bottomLeft(), weight);
    line(box.bottomLeft(), box.topLeft(), weight);
}

void PageCanvas::text(const QRectF &box, const QString &text, const TextStyle &style, int flags)
{
    if (text.isEmpty())
        return;
    m_painter.save();
    m_painter.setPen(Qt::black);
    m_painter.setFont(font(style));
    const QRectF area = toDevice(box);
    m_painter.setClipRect(area, Qt::IntersectClip);
    m_painter.drawText(area, flags, text);
    m_painter.restore();
}

void PageCanvas::clip(const QRectF &box)
{
    m_painter.save();
    m_painter.setClipRect(toDevice(box), Qt::IntersectClip);
}

void PageCanvas::unclip()
{
    m_painter.restore();
}

QString PageCanvas::family()
{
    static const QString chosen = QFontDatabase::hasFamily(QStringLiteral("Arial"))
                                      ? QStringLiteral("Arial")
                                      : QStringLiteral("Liberation Sans");
    return chosen;
}

QFont PageCanvas::font(const TextStyle &style)
{
    QFont font(family());
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

QFontMetricsF PageCanvas::metrics(const TextStyle &style)
{
    return QFontMetricsF(font(style), &measuringDevice());
}

double PageCanvas::measure(const QString &text, double width, const TextStyle &style)
{
    const QFontMetricsF measured = metrics(style);
    if (text.isEmpty())
        return measured.height() / kMeasureDotsPerMm;
    const QRectF bounds =
        measured.boundingRect(QRectF(0, 0, width * kMeasureDotsPerMm, 1e9), Qt::TextWordWrap, text);
    return bounds.height() / kMeasureDotsPerMm;
}

double PageCanvas::lineHeight(const TextStyle &style)
{
    return measure(QString(), 1, style);
}

double PageCanvas::width(const QString &text, const TextStyle &style)
{
    return metrics(style).horizontalAdvance(text) / kMeasureDotsPerMm;
}

QRectF PageCanvas::toDevice(const QRectF &box) const
{
    return QRectF(box.topLeft() * m_dotsPerMm, box.size() * m_dotsPerMm);
}
