#pragma once

#include <QString>
#include <optional>

// The one place where numbers become text and text becomes numbers.
// Display uses the regional form (a decimal comma under Russian settings, no
// thousands separator); files use the point form; parsing takes either.
namespace Numbers {

// General format: the shortest form with at most 15 significant digits, in
// the regional form ("2,5", "3", "0,1").
QString general(double value);

// A display mask: "0" a digit that always prints, "#" a digit that prints
// only when significant, "." the regional decimal separator, any other
// character prints as it stands between printed digits. Integer digits beyond
// the placeholders all print at the first one. "0.##", "0.00", "# ##0".
QString masked(double value, const QString &mask);

// The point form for files: the first comma of a regional text becomes a point.
QString pointForm(const QString &regionalText);

// Reads "2,5", "2.5", " -3 " or "1e3"; empty or malformed text gives nothing.
std::optional<double> parse(const QString &text);

} // namespace Numbers
