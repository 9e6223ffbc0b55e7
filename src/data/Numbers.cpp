#include "Numbers.h"

#include <QLocale>
#include <QRegularExpression>
#include <cmath>

namespace Numbers {
namespace {

QLocale regionalLocale()
{
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale;
}

} // namespace

QString general(double value)
{
    if (value == 0.0)
        value = 0.0; // no "-0"
    return regionalLocale().toString(value, 'g', 15);
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
    const QString fixed = QLocale::c().toString(std::fabs(value), 'f', decimals);
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

std::optional<double> parse(const QString &text)
{
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

} // namespace Numbers
