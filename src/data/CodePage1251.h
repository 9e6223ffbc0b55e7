#pragma once

#include <QByteArray>
#include <QString>

// Single-byte Cyrillic text of code page 1251, the encoding of specification
// files and exchange files.
namespace CodePage1251 {

// True when every character of text has a place in the code page.
bool canEncode(const QString &text);
// Encodes text; a character outside the code page becomes "?", so callers that
// must not lose text check canEncode() first.
QByteArray encode(const QString &text);
QString decode(const QByteArray &bytes);

} // namespace CodePage1251
