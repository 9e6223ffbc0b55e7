#include "CodePage1251.h"

#include "AppError.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace CodePage1251 {
namespace {

constexpr char kName[] = "windows-1251";

void checkValid(bool valid)
{
    if (!valid)
        throw AppError(QStringLiteral("Кодировка windows-1251 недоступна в этой сборке Qt."));
}

} // namespace

QByteArray encode(const QString &text)
{
    QStringEncoder encoder(kName);
    checkValid(encoder.isValid());
    return encoder.encode(text);
}

QString decode(const QByteArray &bytes)
{
    QStringDecoder decoder(kName);
    checkValid(decoder.isValid());
    return decoder.decode(bytes);
}

bool canEncode(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x80)
            return decode(encode(text)) == text;
    }
    return true;
}

} // namespace CodePage1251
