#include "LineBreaker.h"

#include "Hyphenation.h"

#include <algorithm>
#include <cmath>

namespace {

// What rounding the sum of the parts of a line may differ from the line.
constexpr double kSlack = 1e-6;

} // namespace

LineBreaker::LineBreaker(const TextStyle &style)
    : m_style(style), m_metrics(PageCanvas::metrics(style)), m_blank(width(QStringLiteral(" "))),
      m_hyphen(width(QStringLiteral("-")))
{
}

double LineBreaker::width(const QString &text) const
{
    return m_metrics.horizontalAdvance(text) / PageCanvas::kMeasureDotsPerMm;
}

TextBlock LineBreaker::lay(const QString &text, double width) const
{
    TextBlock block;
    block.style = m_style;
    if (text.isEmpty())
        return block;
    if (!text.contains(u'\n')) {
        // Most texts fit their box: one measurement.
        const double whole = this->width(text);
        if (whole <= width + kSlack) {
            block.lines.append(text);
            block.widths.append(whole);
            return block;
        }
        layParagraph(text, width, block);
        return block;
    }
    for (const QString &paragraph : text.split(u'\n')) {
        if (paragraph.isEmpty()) {
            block.lines.append(QString());
            block.widths.append(0);
        } else {
            layParagraph(paragraph, width, block);
        }
    }
    return block;
}

void LineBreaker::layParagraph(const QString &text, double width, TextBlock &block) const
{
    QString line;
    double lineWidth = 0;
    const auto finishLine = [&] {
        block.lines.append(line);
        block.widths.append(this->width(line));
        line.clear();
        lineWidth = 0;
    };
    const QStringList words = text.split(u' ', Qt::SkipEmptyParts);
    for (QString word : words) {
        double wordWidth = this->width(word);
        while (true) {
            const double room = line.isEmpty() ? width : width - lineWidth - m_blank;
            if (wordWidth <= room + kSlack) {
                if (!line.isEmpty()) {
                    line += u' ';
                    lineWidth += m_blank;
                }
                line += word;
                lineWidth += wordWidth;
                break;
            }
            if (wordWidth <= width + kSlack) {
                // It fits a line of its own.
                finishLine();
                continue;
            }
            bool hyphen = false;
            const qsizetype head = breakWord(word, room, line.isEmpty(), hyphen);
            if (head == 0) {
                finishLine();
                continue;
            }
            if (!line.isEmpty())
                line += u' ';
            line += word.left(head);
            if (hyphen)
                line += u'-';
            finishLine();
            word.remove(0, head);
            wordWidth = this->width(word);
        }
    }
    if (!line.isEmpty() || block.lines.isEmpty())
        finishLine();
}

qsizetype LineBreaker::breakWord(const QString &word, double room, bool anywhere,
                                 bool &hyphen) const
{
    const auto fits = [&](qsizetype at, bool addsHyphen) {
        return width(word.left(at)) + (addsHyphen ? m_hyphen : 0) <= room + kSlack;
    };
    // A hyphen or slash the word holds is where it breaks best: the latest
    // that fits.
    for (qsizetype at = word.size() - 1; at > 1; --at) {
        if ((word[at - 1] == u'-' || word[at - 1] == u'/') && fits(at, false)) {
            hyphen = false;
            return at;
        }
    }
    const QList<qsizetype> points = Hyphenation::points(word);
    for (auto point = points.crbegin(); point != points.crend(); ++point) {
        if (fits(*point, true)) {
            hyphen = true;
            return *point;
        }
    }
    if (!anywhere)
        return 0;
    // After the last character that fits, a hyphen added; at least one
    // character, however narrow the box, so that the text goes on.
    hyphen = true;
    qsizetype longest = 1;
    qsizetype tooLong = word.size();
    while (tooLong - longest > 1) {
        const qsizetype middle = (longest + tooLong) / 2;
        if (fits(middle, true))
            longest = middle;
        else
            tooLong = middle;
    }
    if (longest < word.size() && word[longest].isLowSurrogate())
        longest = longest > 1 ? longest - 1 : longest + 1;
    return longest;
}

namespace OneLine {

std::optional<TextBlock> fit(const QString &text, double width, const TextStyle &style)
{
    TextStyle sized = style;
    double measured = PageCanvas::width(text, sized);
    if (measured > width + kSlack) {
        // Widths grow with the size, unhinted: the size that fits follows
        // from one measurement, and a second one confirms it.
        sized.points = std::floor(style.points * width / measured * 2) / 2;
        if (sized.points < kSmallestPoints)
            return std::nullopt;
        measured = PageCanvas::width(text, sized);
        while (measured > width + kSlack) {
            sized.points -= 0.5;
            if (sized.points < kSmallestPoints)
                return std::nullopt;
            measured = PageCanvas::width(text, sized);
        }
    }
    TextBlock block;
    block.style = sized;
    if (!text.isEmpty()) {
        block.lines.append(text);
        block.widths.append(measured);
    }
    return block;
}

} // namespace OneLine
