#pragma once

#include "PageCanvas.h"

#include <QFontMetricsF>
#include <QHash>
#include <QString>

// Counts the lines a text takes when a spreadsheet program wraps it in a
// cell, so that the row can be made tall enough before the program ever sees
// it: words go on a line while they fit, a word wider than the line breaks
// between its characters, and a line break in the text starts a new line.
// Breaking only at blanks and leaving out kerning can only count more lines
// than Excel or LibreOffice show, never fewer.
class CellLines {
public:
    explicit CellLines(const TextStyle &style);

    // The lines of text in a cell whose text area is widthMm wide; 1 for an
    // empty text.
    int count(const QString &text, double widthMm);
    // The height of one line in millimetres.
    double lineHeightMm() const;

private:
    int countParagraph(QStringView paragraph, double width);
    double advance(QChar c);

    QFontMetricsF m_metrics;
    // Ten thousand rows measure every character again and again: the advance
    // of each is measured once.
    QHash<char16_t, double> m_advances;
};
