#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QPointF>
#include <QRectF>
#include <QString>

class QPainter;

// How a text prints: the printed forms use one family (Arial, or the
// metric-compatible Liberation Sans where Arial is not installed).
struct TextStyle {
    double points = 12;
    bool bold = false;
    bool italic = false;
    bool underline = false;
};

// A page to paint in millimetres from the top left corner of its printable
// area, on any device. Layout measures text with measure(), which does not
// depend on the device, so the preview, the printer and a PDF break lines and
// pages alike.
class PageCanvas {
public:
    // painter paints on a device with dotsPerMm dots a millimetre, its
    // origin at the printable area.
    PageCanvas(QPainter &painter, double dotsPerMm);

    // A rule; weight 1 is a thin rule, 2 a heavy one.
    void line(QPointF from, QPointF to, double weight = 1);
    void line(double x1, double y1, double x2, double y2, double weight = 1)
    {
        line(QPointF(x1, y1), QPointF(x2, y2), weight);
    }
    // The four sides of box.
    void frame(const QRectF &box, double weight = 1);
    // Text inside box with Qt alignment flags (Qt::TextWordWrap to break
    // lines at word boundaries); what does not fit is cut at the box.
    void text(const QRectF &box, const QString &text, const TextStyle &style,
              int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap);
    // Paints nothing outside box until the matching unclip(), so that a
    // part of something taller than a page prints on each page.
    void clip(const QRectF &box);
    void unclip();

    // The family the forms print in.
    static QString family();
    static QFont font(const TextStyle &style);
    // Layout measures at the resolution of a PDF page: metrics give lengths
    // in dots of kMeasureDotsPerMm a millimetre.
    static constexpr double kMeasureDotsPerMm = 1200 / 25.4;
    static QFontMetricsF metrics(const TextStyle &style);
    // The height in millimetres that text takes in a box width wide, lines
    // broken at words; one line's height for an empty text.
    static double measure(const QString &text, double width, const TextStyle &style);
    // The height of one line.
    static double lineHeight(const TextStyle &style);
    // The width in millimetres that text takes on one line.
    static double width(const QString &text, const TextStyle &style);

private:
    QRectF toDevice(const QRectF &box) const;

    QPainter &m_painter;
    double m_dotsPerMm;
};
