#include "TextFolding.h"

namespace TextFolding {
namespace {

// The Latin letter a folded Cyrillic letter looks like, or 0.
char16_t lookalikeOf(char16_t letter)
{
    switch (letter) {
    case u'а':
        return u'a';
    case u'в':
        return u'b';
    case u'е':
        return u'e';
    case u'к':
        return u'k';
    case u'м':
        return u'm';
    case u'н':
        return u'h';
    case u'о':
        return u'o';
    case u'р':
        return u'p';
    case u'с':
        return u'c';
    case u'т':
        return u't';
    case u'у':
        return u'y';
    case u'х':
        return u'x';
    default:
        return 0;
    }
}

} // namespace

QString folded(const QString &text)
{
    // A key is never NULL in the files: an empty text folds to an empty text.
    QString key = text.toCaseFolded();
    return key.isNull() ? QStringLiteral("") : key;
}

QString searchKey(const QString &text)
{
    QString key = folded(text);
    for (QChar &c : key)
        if (const char16_t latin = lookalikeOf(c.unicode()))
            c = QChar(latin);
    return key;
}

bool equal(const QString &left, const QString &right)
{
    return left.toCaseFolded() == right.toCaseFolded();
}

} // namespace TextFolding
