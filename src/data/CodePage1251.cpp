#include "CodePage1251.h"

#include "AppError.h"

#include <QSet>
#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>
#include <array>

namespace CodePage1251 {
namespace {

constexpr char kName[] = "windows-1251";

void checkValid(bool valid)
{
    if (!valid)
        throw AppError(QStringLiteral("Кодировка windows-1251 недоступна в этой сборке Qt."));
}

// The characters of the code page's upper half: the lower half is ASCII.
const QSet<char32_t> &upperHalf()
{
    static const QSet<char32_t> characters = [] {
        QByteArray bytes;
        for (int byte = 0x80; byte <= 0xFF; ++byte)
            bytes += char(byte);
        QSet<char32_t> result;
        for (const QChar c : decode(bytes)) {
            if (c != QChar::ReplacementCharacter)
                result.insert(c.unicode());
        }
        return result;
    }();
    return characters;
}

std::u16string_view spellingOf(char32_t character)
{
    for (const NearestSpelling &entry : kNearestSpellings) {
        if (entry.character == character)
            return entry.spelling;
    }
    return {};
}

} // namespace

QByteArray encode(const QString &text)
{
    QStringEncoder encoder(kName);
    checkValid(encoder.isValid());
    return encoder.encode(text);
}

QString decode(QByteArrayView bytes)
{
    // The character of every byte, from the converter once: a file is decoded
    // a line at a time, and setting the converter up for each line would
    // cost more than the decoding.
    static const std::array<char16_t, 256> characters = [] {
        QStringDecoder decoder(kName);
        checkValid(decoder.isValid());
        std::array<char16_t, 256> table{};
        for (int byte = 0; byte < 256; ++byte) {
            const char one = char(byte);
            const QString character = decoder.decode(QByteArrayView(&one, 1));
            table[byte] = character.size() == 1 ? character[0].unicode()
                                                : QChar(QChar::ReplacementCharacter).unicode();
        }
        return table;
    }();
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char byte : bytes)
        *out++ = QChar(characters[static_cast<unsigned char>(byte)]);
    return text;
}

bool canEncode(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x80)
            return decode(encode(text)) == text;
    }
    return true;
}

Spelling nearestSpelling(QStringView text)
{
    Spelling result;
    if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; })) {
        result.text = text.toString();
        return result;
    }
    const QSet<char32_t> &upper = upperHalf();
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t character = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            character = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        if (character < 0x80 || upper.contains(character)) {
            result.text += QStringView(QChar::fromUcs4(character));
            continue;
        }
        const std::u16string_view spelling = spellingOf(character);
        if (spelling.empty()) {
            // Kept, so that a refusal can show where it stands.
            result.text += QStringView(QChar::fromUcs4(character));
            if (!result.missing.contains(character))
                result.missing << character;
            continue;
        }
        result.text += QStringView(spelling);
        if (!result.respelled.contains(character))
            result.respelled << character;
    }
    return result;
}

QString characterName(char32_t character)
{
    const QString code =
        QStringLiteral("U+%1").arg(uint(character), 4, 16, QLatin1Char('0')).toUpper();
    // A control or a blank of its own would show as nothing.
    const QString shown = QChar::isPrint(character) && !QChar::isSpace(character)
                              ? QStringView(QChar::fromUcs4(character)).toString()
                              : QString();
    return shown.isEmpty() ? code : QStringLiteral("«%1» (%2)").arg(shown, code);
}

} // namespace CodePage1251
