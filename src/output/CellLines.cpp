#include "CellLines.h"

CellLines::CellLines(const TextStyle &style) : m_metrics(PageCanvas::metrics(style)) {}

int CellLines::count(const QString &text, double widthMm)
{
    const double width = widthMm * PageCanvas::kMeasureDotsPerMm;
    int lines = 0;
    for (const QStringView paragraph : QStringView(text).split(u'\n'))
        lines += countParagraph(paragraph, width);
    return std::max(lines, 1);
}

double CellLines::lineHeightMm() const
{
    return m_metrics.lineSpacing() / PageCanvas::kMeasureDotsPerMm;
}

int CellLines::countParagraph(QStringView paragraph, double width)
{
    const double blank = advance(u' ');
    int lines = 1;
    double used = 0;       // the width taken on the current line
    bool lineEmpty = true; // no word on it yet
    double blanks = 0;     // blanks since the last word
    qsizetype start = 0;
    while (start <= paragraph.size()) {
        qsizetype end = paragraph.indexOf(u' ', start);
        if (end < 0)
            end = paragraph.size();
        const QStringView word = paragraph.mid(start, end - start);
        if (!word.isEmpty()) {
            double wordWidth = 0;
            for (const QChar c : word)
                wordWidth += advance(c);
            if (!lineEmpty && used + blanks + wordWidth <= width) {
                used += blanks + wordWidth;
            } else {
                if (!lineEmpty)
                    ++lines;
                used = 0;
                for (const QChar c : word) {
                    const double a = advance(c);
                    if (used > 0 && used + a > width) {
                        ++lines;
                        used = 0;
                    }
                    used += a;
                }
                lineEmpty = false;
            }
            blanks = 0;
        }
        if (end < paragraph.size())
            blanks += blank;
        start = end + 1;
    }
    return lines;
}

double CellLines::advance(QChar c)
{
    auto found = m_advances.constFind(c.unicode());
    if (found == m_advances.cend())
        found = m_advances.insert(c.unicode(), m_metrics.horizontalAdvance(c));
    return *found;
}
