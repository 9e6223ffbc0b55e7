#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>
#include <string_view>

// Single-byte Cyrillic text of code page 1251, the encoding of specification
// files and exchange files.
namespace CodePage1251 {

// True when every character of text has a place in the code page.
bool canEncode(const QString &text);
// Encodes text; a character outside the code page becomes "?", so callers that
// must not lose text check canEncode() first.
QByteArray encode(const QString &text);
QString decode(QByteArrayView bytes);

// The nearest spelling in the code page of a character that it lacks.
struct NearestSpelling {
    char32_t character;
    std::u16string_view spelling;
};

// The characters of catalogues and drawings that the code page lacks, each
// with the spelling a reader of the drawing takes for it. The list is fixed
// (the CAD side's users read these spellings): add to it, never change it.
// clang-format off
inline constexpr NearestSpelling kNearestSpellings[] = {
    // Superscript and subscript digits, as in "м³/ч" and "CO₂".
    {U'⁰', u"0"}, {U'¹', u"1"}, {U'²', u"2"}, {U'³', u"3"}, {U'⁴', u"4"},
    {U'⁵', u"5"}, {U'⁶', u"6"}, {U'⁷', u"7"}, {U'⁸', u"8"}, {U'⁹', u"9"},
    {U'₀', u"0"}, {U'₁', u"1"}, {U'₂', u"2"}, {U'₃', u"3"}, {U'₄', u"4"},
    {U'₅', u"5"}, {U'₆', u"6"}, {U'₇', u"7"}, {U'₈', u"8"}, {U'₉', u"9"},
    {U'½', u"1/2"}, {U'¼', u"1/4"}, {U'¾', u"3/4"},
    // The diameter: the sign, the Danish letter drawn for it, its small form.
    {U'\u2300', u"диам."}, {U'Ø', u"диам."}, {U'ø', u"диам."},
    {U'≤', u"<="}, {U'≥', u">="}, {U'≈', u"~"},
    {U'×', u"x"},          // to the Latin x
    {U'\u2212', u"-"},     // minus sign
    {U'\u2010', u"-"},     // hyphen
    {U'\u2011', u"-"},     // non-breaking hyphen
    {U'\u2012', u"-"},     // figure dash
    {U'′', u"'"}, {U'″', u"\""},
    {U'Δ', u"дельта"}, {U'δ', u"дельта"}, {U'λ', u"лямбда"}, {U'π', u"пи"}, {U'Ω', u"Ом"},
    {U'μ', u"µ"},          // Greek mu to the micro sign, which the code page has
    {U'℃', u"°С"},         // with the Cyrillic С of the catalogue
    // Line breaks of other systems, blanks as CR and LF are.
    {U'\u0085', u" "}, {U'\u2028', u" "}, {U'\u2029', u" "},
};
// clang-format on

// Text made fit for the code page through kNearestSpellings.
struct Spelling {
    QString text;              // every character respelled that has an entry
    QList<char32_t> respelled; // the characters respelled, each once, in order met
    QList<char32_t> missing;   // those with neither a place nor an entry, each once
};
Spelling nearestSpelling(QStringView text);

// "«Ø» (U+00D8)": a character named for a message, also when it is invisible.
QString characterName(char32_t character);

} // namespace CodePage1251
