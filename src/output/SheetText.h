#pragma once

#include "PageCanvas.h"

#include <QFontMetricsF>
#include <QString>

// Texts of one style fitted to the width of their boxes on the sheet, so
// that a box can grow to hold all of its text: PageCanvas breaks lines at
// words only, and a word wider than its box (a long number, a type
// designation) would run past the box and be cut off.
class SheetText {
public:
    explicit SheetText(const TextStyle &style);

    // text with a line break inside every word wider than width, after the
    // last character that still fits.
    QString fitted(const QString &text, double width) const;

    // The height a fitted text takes in width: PageCanvas::measure, with a
    // quick answer for the common text that fits on one line.
    double height(const QString &fittedText, double width) const;

private:
    double widthOf(const QString &text) const;

    TextStyle m_style;
    QFontMetricsF m_metrics;
};
