#pragma once

#include "PageCanvas.h"

#include <QString>

// Lays texts of one style out into lines no wider than their box, measuring
// each text once where it fits on one line. Lines break at blanks and at the
// line breaks a text holds. A word wider than the whole box breaks where
// Russian allows (Hyphenation), or after a hyphen or slash it holds, the
// latest such place that fits; failing those, after the last character that
// fits. A hyphen ends every line where a word breaks, so that no word is cut
// off or split unseen.
class LineBreaker {
public:
    explicit LineBreaker(const TextStyle &style);

    TextBlock lay(const QString &text, double width) const;

    // The width in millimetres that text takes on one line.
    double width(const QString &text) const;

private:
    void layParagraph(const QString &text, double width, TextBlock &block) const;
    // How much of word (from its start) goes on a line with room left,
    // and whether a hyphen must follow it; 0 when no break fits. Only
    // anywhere: a break after any character.
    qsizetype breakWord(const QString &word, double room, bool anywhere, bool &hyphen) const;

    TextStyle m_style;
    const QFontMetricsF &m_metrics;
    double m_blank;
    double m_hyphen;
};

// The biggest size, at most style's and at least kSmallestPoints, in steps of
// half a point, at which text fits width on one line; nothing when it does
// not fit even at the smallest.
namespace OneLine {

inline constexpr double kSmallestPoints = 5;

std::optional<TextBlock> fit(const QString &text, double width, const TextStyle &style);

} // namespace OneLine
