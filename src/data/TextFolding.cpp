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
    if (text.isEmpty())
        return QStringLiteral("");
    // Keys are made for every good written and every good of a catalogue
    // other tools wrote: the Latin and Russian letters that nearly all texts
    // consist of are folded here directly, as Unicode folds them; a text with
    // any other letter is folded by Qt whole.
    QString key(text.size(), Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(key.data());
    const char16_t *in = reinterpret_cast<const char16_t *>(text.constData());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = in[i];
        if (c < 0x80) {
            out[i] = c >= u'A' && c <= u'Z' ? char16_t(c + 0x20) : c;
        } else if (c >= 0x0410 && c <= 0x042F) {
            out[i] = char16_t(c + 0x20);
        } else if (c >= 0x0400 && c <= 0x040F) {
            out[i] = char16_t(c + 0x50);
        } else if (c >= 0x0430 && c <= 0x045F) {
            out[i] = c;
        } else {
            return text.toCaseFolded();
        }
    }
    return key;
}

QString searchKey(const QString &text)
{
    QString key = folded(text);
    for (QChar &c : key)
        if (const char16_t latin = lookalikeOf(c.unicode()))
            c = QChar(latin);
    return key;
}

QChar searchLetter(QChar letter)
{
    const QChar folded = letter.toCaseFolded();
    const char16_t latin = lookalikeOf(folded.unicode());
    return latin ? QChar(latin) : folded;
}

bool equal(const QString &left, const QString &right)
{
    return left.toCaseFolded() == right.toCaseFolded();
}

} // namespace TextFolding
