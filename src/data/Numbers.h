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

// A position or group number as text; empty for none.
QString whole(const std::optional<qint64> &number);

// A display mask: "0" a digit that always prints, "#" a digit that prints
// only when significant, "." the regional decimal separator, any other
// character prints as it stands between printed digits. Integer digits beyond
// the placeholders all print at the first one. "0.##", "0.00", "# ##0".
QString masked(double value, const QString &mask);

// The point form for files: the first comma of a regional text becomes a point.
QString pointForm(const QString &regionalText);

// Reads "2,5", "2.5", " -3 " or "1e3"; empty or malformed text gives
// nothing, and so does a number that does not fit().
std::optional<double> parse(const QString &text);

// True when text has the form of a number but parse() refuses it for its
// size, so that the user is told why and not that it is no number at all.
bool outOfRange(const QString &text);

// True when general() writes value in a form that reads back. Fifteen digits
// round the largest real numbers up past the largest one: such a number would
// make a file that cannot be opened again.
bool fits(double value);

} // namespace Numbers

// What the printed documents hold of a quantity: its box on the sheet and the
// estimate's sum print at most fifteen significant digits of a number less
// than a milliard. A quantity beyond that is refused wherever it comes in.
namespace Numbers {

constexpr double kQuantityLimit = 1e9;
constexpr int kSignificantDigits = 15;

// Why text (the quantity as typed or read) cannot be a quantity; nothing when
// it can. An empty text is a quantity of nothing. When it can and value is
// given, value takes what parse() reads, which is then not read twice.
std::optional<QString> quantityFault(const QString &text, std::optional<double> *value = nullptr);

// True when value, as a file writes it, is a quantity the documents hold.
bool isQuantity(double value);

// The limit as the user reads it.
QString quantityLimitText();

} // namespace Numbers

// Printed documents write numbers with a decimal comma whatever the
// process's locale, so that one sheet never mixes "12.5" with "4,9".
namespace Numbers {

// general() with a decimal comma.
QString printed(double value);

// masked() with a decimal comma.
QString printedMasked(double value, const QString &mask);

// A number as typed ("4.9", "4,9") with a decimal comma; a text that is no
// number stays as it stands.
QString printedText(const QString &typed);

} // namespace Numbers
