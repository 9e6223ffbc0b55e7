#include "SheetText.h"

namespace {

// A text this much narrower than its box surely fits on one line, whatever
// the resolution of the device rounds its glyphs to.
constexpr double kSureFit = 0.97;

} // namespace

SheetText::SheetText(const TextStyle &style) : m_style(style), m_metrics(PageCanvas::metrics(style))
{
}

QString SheetText::fitted(const QString &text, double width) const
{
    const double room = width * kSureFit;
    if (widthOf(text) <= room)
        return text;
    QString result;
    result.reserve(text.size() + 8);
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && !text[end].isSpace())
            ++end;
        QString word = text.mid(start, end - start);
        while (widthOf(word) > room) {
            qsizetype fits = 1;
            while (fits < word.size() && widthOf(word.left(fits + 1)) <= room)
                ++fits;
            result += word.left(fits);
            result += u'\n';
            word.remove(0, fits);
        }
        result += word;
        while (end < text.size() && text[end].isSpace())
            result += text[end++];
        start = end;
    }
    return result;
}

double SheetText::height(const QString &fittedText, double width) const
{
    if (!fittedText.contains(u'\n') && widthOf(fittedText) <= width * kSureFit)
        return m_metrics.height() / PageCanvas::kMeasureDotsPerMm;
    return PageCanvas::measure(fittedText, width, m_style);
}

double SheetText::widthOf(const QString &text) const
{
    return m_metrics.horizontalAdvance(text) / PageCanvas::kMeasureDotsPerMm;
}
