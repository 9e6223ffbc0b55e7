#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QStringList>

class QPainter;

// How a text prints: the printed forms use one family (Arial, or the
// metric-compatible Liberation Sans where Arial is not installed).
struct TextStyle {
    double points = 12;
    bool bold = false;
    bool italic = false;
    bool underline = false;

    bool operator==(const TextStyle &) const = default;
};

// A text laid out once into the lines it prints on, with the width of each
// line in millimetres, so that painting measures nothing.
struct TextBlock {
    TextStyle style;
    QStringList lines;
    QList<double> widths;

    bool isEmpty() const { return lines.isEmpty(); }
    // The height of its lines, one pitch apart.
    double height() const;
};

// A page to paint in millimetres from the top left corner of its printable
// area, on any device. Layout measures text at one resolution that does not
// depend on the device, so the preview, the printer and a PDF break lines and
// pages alike; painting puts the laid-out lines at their points.
class PageCanvas {
public:
    // painter paints on a device with dotsPerMm dots a millimetre, its
    // origin at the printable area.
    PageCanvas(QPainter &painter, double dotsPerMm);

    // A rule; weight 1 is a thin rule, 2 a heavy one. Upright rules wait
    // for finish(), which draws those that meet end to end as one.
    void line(QPointF from, QPointF to, double weight = 1);
    void line(double x1, double y1, double x2, double y2, double weight = 1)
    {
        line(QPointF(x1, y1), QPointF(x2, y2), weight);
    }
    // The four sides of box.
    void frame(const QRectF &box, double weight = 1);
    // The lines of block from top down, each placed between left and right
    // as align (Qt::AlignLeft, AlignHCenter or AlignRight) says.
    void text(const TextBlock &block, double left, double right, double top, Qt::Alignment align);
    // The same for the lines from first to last (both included) only, the
    // first of them at top.
    void text(const TextBlock &block, qsizetype first, qsizetype last, double left, double right,
              double top, Qt::Alignment align);

    // Draws the upright rules; the page is done.
    void finish();

    // The family the forms print in.
    static QString family();
    // Layout measures at the resolution of a PDF page: metrics give lengths
    // in dots of kMeasureDotsPerMm a millimetre.
    static constexpr double kMeasureDotsPerMm = 1200 / 25.4;
    // One font and one set of metrics a style, made at first use.
    static const QFontMetricsF &metrics(const TextStyle &style);
    // The height in millimetres that text takes in a box width wide, lines
    // broken at words by Qt; one line's height for an empty text.
    static double measure(const QString &text, double width, const TextStyle &style);
    // The height of one line.
    static double lineHeight(const TextStyle &style);
    // From the top of one line to the top of the next.
    static double linePitch(const TextStyle &style);
    // From the top of a line to its baseline.
    static double ascent(const TextStyle &style);
    // The width in millimetres that text takes on one line.
    static double width(QStringView text, const TextStyle &style);

private:
    void setPen(double weight);

    struct Upright {
        double x, top, bottom, weight;
    };
    QList<Upright> m_uprights;
    QPainter &m_painter;
    double m_dotsPerMm;
    double m_penWeight = -1;
    const QFont *m_font = nullptr;
};
