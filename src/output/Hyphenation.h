#pragma once

#include <QList>
#include <QStringView>

// Where Russian allows a word to break at the end of a line: libhyphen with
// the hyphen-ru patterns, at least two letters on each side. The patterns
// know Cyrillic letters only; a word with Latin letters or digits breaks only
// inside its Cyrillic runs.
namespace Hyphenation {

// The places in word (1 to size - 1) before which it may break, a hyphen
// added at the end of the line; in increasing order. Throws AppError when
// the dictionary cannot be read.
QList<qsizetype> points(QStringView word);

} // namespace Hyphenation
