#include "Numbers.h"

#include <QLocale>
#include <QRegularExpression>
#include <algorithm>
#include <charconv>
#include <cmath>

namespace Numbers {
namespace {

QLocale regionalLocale()
{
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale;
}

// value (not negative) in fixed notation with decimals digits after the
// point, rounded half up from its fifteen significant digits: a price typed
// as 2,675 is held as 2,67499999…, and must still print as 2,68.
QString roundedFixed(double value, int decimals)
{
    if (!std::isfinite(value))
        return QLocale::c().toString(value, 'f', decimals);
    const QString scientific = QLocale::c().toString(value, 'e', 14);
    const qsizetype e = scientific.indexOf(u'e');
    const QString digits = scientific.left(e).remove(u'.');
    // The digits that stand for value times 10^decimals.
    const qsizetype kept = scientific.mid(e + 1).toInt() + 1 + decimals;
    QString scaled = kept <= 0 ? QString() : digits.left(kept).leftJustified(kept, u'0');
    if (kept >= 0 && kept < digits.size() && digits[kept] >= u'5') {
        qsizetype i = scaled.size() - 1;
        while (i >= 0 && scaled[i] == u'9')
            scaled[i--] = u'0';
        if (i >= 0)
            scaled[i] = QChar(scaled[i].unicode() + 1);
        else
            scaled.prepend(u'1');
    }
    scaled = scaled.rightJustified(decimals + 1, u'0');
    if (decimals == 0)
        return scaled;
    return scaled.left(scaled.size() - decimals) + u'.' + scaled.right(decimals);
}

} // namespace

QString general(double value)
{
    if (value == 0.0)
        value = 0.0; // no "-0"
    return regionalLocale().toString(value, 'g', 15);
}

QString whole(const std::optional<qint64> &number)
{
    return number ? QString::number(*number) : QString();
}

QString masked(double value, const QString &mask)
{
    const qsizetype point = mask.indexOf(u'.');
    const QString integerMask = point < 0 ? mask : mask.left(point);
    const QString fractionMask = point < 0 ? QString() : mask.mid(point + 1);

    int decimals = 0;
    int requiredDecimals = 0;
    for (const QChar c : fractionMask) {
        if (c == u'0')
            requiredDecimals = ++decimals;
        else if (c == u'#')
            ++decimals;
    }

    // Fixed notation rounded to the decimals that the mask shows.
    const QString fixed = roundedFixed(std::fabs(value), decimals);
    QString integerDigits = fixed.section(u'.', 0, 0);
    QString fractionDigits = decimals > 0 ? fixed.section(u'.', 1, 1) : QString();
    const bool isZero = QString(integerDigits + fractionDigits).count(u'0') ==
                        integerDigits.size() + fractionDigits.size();
    while (fractionDigits.size() > requiredDecimals && fractionDigits.endsWith(u'0'))
        fractionDigits.chop(1);
    if (integerDigits == QStringLiteral("0"))
        integerDigits.clear(); // a zero prints only where a "0" asks for it

    qsizetype firstPlaceholder = -1;
    for (qsizetype i = 0; i < integerMask.size() && firstPlaceholder < 0; ++i) {
        if (integerMask[i] == u'0' || integerMask[i] == u'#')
            firstPlaceholder = i;
    }

    // Fill the integer placeholders from the right.
    QString text;
    qsizetype next = integerDigits.size() - 1;
    for (qsizetype i = integerMask.size() - 1; i >= 0; --i) {
        const QChar c = integerMask[i];
        const bool placeholder = c == u'0' || c == u'#';
        if (placeholder && i == firstPlaceholder) {
            if (next >= 0)
                text.prepend(integerDigits.left(next + 1));
            else if (c == u'0')
                text.prepend(u'0');
            next = -1;
        } else if (placeholder) {
            if (next >= 0)
                text.prepend(integerDigits[next--]);
            else if (c == u'0')
                text.prepend(u'0');
        } else if (i < firstPlaceholder || next >= 0 || integerMask.left(i).contains(u'0')) {
            // A literal among the digits prints only when digits stand to its left.
            text.prepend(c);
        }
    }

    if (!fractionDigits.isEmpty())
        text += regionalLocale().decimalPoint() + fractionDigits;
    if (text.isEmpty())
        text = QStringLiteral("0");
    if (value < 0 && !isZero)
        text.prepend(u'-');
    return text;
}

QString pointForm(const QString &regionalText)
{
    QString text = regionalText;
    const qsizetype comma = text.indexOf(u',');
    if (comma >= 0)
        text[comma] = u'.';
    return text;
}

namespace {

// The form nearly every number in a file takes, digits with at most one
// decimal sign between them, read without a copy or the locale; anything
// else (blanks, exponents, a bare point) takes the general way.
std::optional<double> plainNumber(const QString &text)
{
    constexpr qsizetype kLongest = 40;
    const qsizetype size = text.size();
    if (size == 0 || size > kLongest)
        return std::nullopt;
    char digits[kLongest];
    qsizetype length = 0;
    qsizetype at = 0;
    if (text[0] == u'-' || text[0] == u'+') {
        if (text[0] == u'-')
            digits[length++] = '-';
        ++at;
    }
    bool point = false;
    bool digitBefore = false;
    bool digitAfter = false;
    for (; at < size; ++at) {
        const char16_t unit = text[at].unicode();
        if (unit >= u'0' && unit <= u'9') {
            digits[length++] = char(unit);
            (point ? digitAfter : digitBefore) = true;
        } else if ((unit == u'.' || unit == u',') && !point && digitBefore) {
            digits[length++] = '.';
            point = true;
        } else {
            return std::nullopt;
        }
    }
    if (!digitBefore || (point && !digitAfter))
        return std::nullopt;
    double value = 0;
    const auto [end, fault] = std::from_chars(digits, digits + length, value);
    if (fault != std::errc() || end != digits + length)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<double> parse(const QString &text)
{
    if (const std::optional<double> plain = plainNumber(text); plain && fits(*plain))
        return plain;
    QString form = text.trimmed();
    if (form.isEmpty())
        return std::nullopt;
    form = pointForm(form);
    bool ok = false;
    const double value = QLocale::c().toDouble(form, &ok);
    if (!ok || !fits(value))
        return std::nullopt;
    return value;
}

bool outOfRange(const QString &text)
{
    static const QRegularExpression numberForm(
        QStringLiteral("^[+-]?([0-9]+(\\.[0-9]*)?|\\.[0-9]+)([eE][+-]?[0-9]+)?$"));
    return numberForm.match(pointForm(text.trimmed())).hasMatch() && !parse(text);
}

bool fits(double value)
{
    // Below this no rounding to fifteen digits reaches the largest real number.
    constexpr double kSafe = 1e308;
    if (std::fabs(value) < kSafe)
        return true;
    bool ok = false;
    const double back = QLocale::c().toDouble(QLocale::c().toString(value, 'g', 15), &ok);
    return ok && std::isfinite(back);
}

QString printed(double value)
{
    if (value == 0.0)
        value = 0.0; // no "-0"
    return QLocale::c().toString(value, 'g', 15).replace(u'.', u',');
}

QString printedMasked(double value, const QString &mask)
{
    // A mask's digits are always Latin; only its decimal sign is regional.
    QString text = masked(value, mask);
    const QString regional = regionalLocale().decimalPoint();
    const qsizetype sign = text.lastIndexOf(regional);
    if (sign >= 0 && mask.contains(u'.'))
        text.replace(sign, regional.size(), u',');
    return text;
}

QString printedText(const QString &typed)
{
    if (!parse(typed))
        return typed;
    QString text = typed;
    const qsizetype point = text.indexOf(u'.');
    if (point >= 0)
        text[point] = u',';
    return text;
}

} // namespace Numbers

namespace Numbers {
namespace {

// The digits between the first and the last that is not zero in the number
// text (the exponent aside): "0,00120" has two, "1200" four.
int significantDigits(const QString &text)
{
    // One walk over the mantissa, counting digits rather than copying them:
    // this runs for every quantity of every file read.
    const QStringView form = QStringView(text).trimmed();
    qsizetype digits = 0;
    qsizetype integerDigits = -1;
    qsizetype firstNonZero = -1;
    qsizetype lastNonZero = -1;
    for (const QChar c : form) {
        if (c == u'e' || c == u'E')
            break;
        if (c == u'.' || c == u',') {
            if (integerDigits < 0)
                integerDigits = digits;
            continue;
        }
        if (!c.isDigit())
            continue;
        if (c != u'0') {
            if (firstNonZero < 0)
                firstNonZero = digits;
            lastNonZero = digits;
        }
        ++digits;
    }
    if (integerDigits < 0)
        integerDigits = digits;
    // Zeros at the end of the fraction say nothing; in the integer part they
    // are the number's own.
    const qsizetype end = std::max(integerDigits, lastNonZero + 1);
    const qsizetype start = firstNonZero < 0 ? end : std::min(firstNonZero, end);
    return int(end - start);
}

} // namespace

std::optional<QString> quantityFault(const QString &text, std::optional<double> *read)
{
    const std::optional<double> value = parse(text);
    if (read)
        *read = value;
    if (!value) {
        if (text.trimmed().isEmpty())
            return std::nullopt;
        return outOfRange(text)
                   ? QStringLiteral("вне допустимого диапазона: %1").arg(quantityLimitText())
                   : QStringLiteral("не является числом");
    }
    if (std::fabs(*value) >= kQuantityLimit)
        return QStringLiteral("слишком велико: %1").arg(quantityLimitText());
    if (significantDigits(text) > kSignificantDigits)
        return QStringLiteral("содержит больше %1 значащих цифр: %2")
            .arg(kSignificantDigits)
            .arg(quantityLimitText());
    return std::nullopt;
}

bool isQuantity(double value)
{
    return std::isfinite(value) && std::fabs(value) < kQuantityLimit;
}

QString quantityLimitText()
{
    return QStringLiteral("в графах документов печатается количество не больше чем из %1 "
                          "значащих цифр, по модулю меньше 1 000 000 000")
        .arg(kSignificantDigits);
}

} // namespace Numbers
