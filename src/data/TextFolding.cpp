#include "TextFolding.h"

#include <QChar>
#include <QStringDecoder>
#include <algorithm>
#include <cstring>
#include <optional>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace TextFolding {
namespace {

// Reads one code point of UTF-8 and advances pos. A malformed byte stands for
// itself, so that no input can make the comparison loop forever or throw.
char32_t nextCodePoint(std::string_view text, size_t &pos)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    int extra = 0;
    char32_t cp = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        cp = lead & 0x07;
    } else {
        ++pos;
        return lead;
    }
    if (pos + extra >= text.size()) {
        ++pos;
        return lead;
    }
    for (int i = 1; i <= extra; ++i) {
        const unsigned char next = byte(pos + i);
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return lead;
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    pos += extra + 1;
    return cp;
}

char32_t foldedPoint(char32_t cp)
{
    if (cp < 0x80)
        return (cp >= 'A' && cp <= 'Z') ? cp + ('a' - 'A') : cp;
    // The Russian letters, the common case, without a table look-up.
    if (cp >= 0x410 && cp <= 0x42F)
        return cp + 0x20;
    if (cp >= 0x430 && cp <= 0x45F)
        return cp;
    return QChar::toCaseFolded(cp);
}

int collate(void *, int leftLength, const void *left, int rightLength, const void *right)
{
    return compare(std::string_view(static_cast<const char *>(left), leftLength),
                   std::string_view(static_cast<const char *>(right), rightLength));
}

std::string_view valueText(sqlite3_value *value)
{
    // A text is taken as it lies in the page (the files are UTF-8): asking
    // for it as text would copy it to end it with a zero, once every row.
    const auto *text = reinterpret_cast<const char *>(sqlite3_value_type(value) == SQLITE_TEXT
                                                          ? sqlite3_value_blob(value)
                                                          : sqlite3_value_text(value));
    return text ? std::string_view(text, sqlite3_value_bytes(value)) : std::string_view();
}

void appendUtf8(std::string &out, char32_t cp)
{
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

// Appends the folded form of the code point at pos and advances pos. The
// common letters, ASCII and the Russian alphabet, are folded on their bytes.
void appendFolded(std::string &out, std::string_view text, size_t &pos)
{
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80) {
        out += char(lead >= 'A' && lead <= 'Z' ? lead + ('a' - 'A') : lead);
        ++pos;
        return;
    }
    if ((lead == 0xD0 || lead == 0xD1) && pos + 1 < text.size()) {
        const auto next = static_cast<unsigned char>(text[pos + 1]);
        if ((next & 0xC0) == 0x80) {
            pos += 2;
            if (lead == 0xD0 && next < 0x90) { // Ѐ..Џ
                out += char(0xD1);
                out += char(next + 0x10);
            } else if (lead == 0xD0 && next < 0xA0) { // А..П
                out += char(0xD0);
                out += char(next + 0x20);
            } else if (lead == 0xD0 && next < 0xB0) { // Р..Я
                out += char(0xD1);
                out += char(next - 0x20);
            } else if (lead == 0xD0 || next < 0xA0) { // а..я, ѐ..џ
                out += char(lead);
                out += char(next);
            } else {
                appendUtf8(out, foldedPoint(((lead & 0x1F) << 6) | (next & 0x3F)));
            }
            return;
        }
    }
    appendUtf8(out, foldedPoint(nextCodePoint(text, pos)));
}

// The picker asks "%word%" of every good. Such a pattern is folded once per
// statement and kept by SQLite between rows; each text is then folded into a
// reused buffer and searched byte by byte, instead of matching the pattern
// anew. Folded UTF-8 holds a folded word exactly where the text holds it.
struct ContainsPattern {
    std::string needle;
};

// The Cyrillic letters that look like Latin ones, folded, and the Latin
// letter a search takes each for: "600х300" typed on a Russian keyboard
// finds "600x300". 0 for every other letter.
char lookalikeOf(unsigned char lead, unsigned char next)
{
    if (lead == 0xD0) {
        switch (next) {
        case 0xB0:
            return 'a'; // а
        case 0xB2:
            return 'b'; // в
        case 0xB5:
            return 'e'; // е
        case 0xBA:
            return 'k'; // к
        case 0xBC:
            return 'm'; // м
        case 0xBD:
            return 'h'; // н
        case 0xBE:
            return 'o'; // о
        default:
            return 0;
        }
    }
    if (lead == 0xD1) {
        switch (next) {
        case 0x80:
            return 'p'; // р
        case 0x81:
            return 'c'; // с
        case 0x82:
            return 't'; // т
        case 0x83:
            return 'y'; // у
        case 0x85:
            return 'x'; // х
        default:
            return 0;
        }
    }
    return 0;
}

// The same for one folded code point.
char32_t lookalikePoint(char32_t folded)
{
    if (folded < 0x430 || folded > 0x445)
        return folded;
    const char32_t offset = folded - 0x400; // the second UTF-8 byte, less 0x80, of D0/D1
    const char latin = folded < 0x440 ? lookalikeOf(0xD0, (unsigned char)(0x80 + offset))
                                      : lookalikeOf(0xD1, (unsigned char)(0x80 + offset - 0x40));
    return latin ? char32_t(latin) : folded;
}

// Folded text with the look-alike letters taken as Latin ones, in place.
void takeLookalikes(std::string &fold)
{
    size_t out = 0;
    for (size_t i = 0; i < fold.size(); ++i) {
        const auto c = static_cast<unsigned char>(fold[i]);
        if ((c == 0xD0 || c == 0xD1) && i + 1 < fold.size()) {
            if (const char latin = lookalikeOf(c, static_cast<unsigned char>(fold[i + 1]))) {
                fold[out++] = latin;
                ++i;
                continue;
            }
        }
        fold[out++] = fold[i];
    }
    fold.resize(out);
}

// Returns the folded middle of "%…%" when the pattern is that and nothing
// else (no further wildcard), or nothing.
std::optional<std::string> containsNeedle(std::string_view pattern, char32_t escape)
{
    std::u32string points;
    std::vector<bool> literal;
    for (size_t pos = 0; pos < pattern.size();) {
        char32_t cp = nextCodePoint(pattern, pos);
        bool isLiteral = false;
        if (escape != 0 && cp == escape && pos < pattern.size()) {
            cp = nextCodePoint(pattern, pos);
            isLiteral = true;
        }
        points += cp;
        literal.push_back(isLiteral);
    }
    if (points.size() < 2 || points.front() != U'%' || literal.front() || points.back() != U'%' ||
        literal.back())
        return std::nullopt;
    std::string needle;
    for (size_t i = 1; i + 1 < points.size(); ++i) {
        if (!literal[i] && (points[i] == U'%' || points[i] == U'_'))
            return std::nullopt;
        appendUtf8(needle, foldedPoint(points[i]));
    }
    takeLookalikes(needle);
    return needle;
}

// Whether text holds part, byte for byte. It looks for the last byte of
// part first: in UTF-8 that is the byte that tells a letter from its
// neighbours, where the first byte of most Cyrillic letters is the same.
bool holds(std::string_view text, std::string_view part)
{
    if (part.empty())
        return true;
    const size_t last = part.size() - 1;
    for (size_t at = last; at < text.size(); ++at) {
        const void *found = std::memchr(text.data() + at, part[last], text.size() - at);
        if (!found)
            return false;
        at = static_cast<const char *>(found) - text.data();
        if (std::memcmp(text.data() + at - last, part.data(), last) == 0)
            return true;
    }
    return false;
}

bool containsFolded(std::string_view text, const std::string &needle)
{
    thread_local std::string buffer;
    buffer.clear();
    for (size_t pos = 0; pos < text.size();)
        appendFolded(buffer, text, pos);
    takeLookalikes(buffer);
    return holds(buffer, needle);
}

void foldFunction(sqlite3_context *context, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const std::string text = folded(valueText(argv[0]));
    sqlite3_result_text(context, text.data(), int(text.size()), SQLITE_TRANSIENT);
}

void searchKeyFunction(sqlite3_context *context, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const std::string text = searchKey(valueText(argv[0]));
    sqlite3_result_text(context, text.data(), int(text.size()), SQLITE_TRANSIENT);
}

// The search calls it once for every good: the part, the same for all of
// them, is kept by SQLite between calls.
void containsFunction(sqlite3_context *context, int, sqlite3_value **argv)
{
    const int keyType = sqlite3_value_type(argv[0]);
    if (keyType == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    auto *part = static_cast<std::string *>(sqlite3_get_auxdata(context, 1));
    if (!part) {
        part = new std::string(valueText(argv[1]));
        sqlite3_set_auxdata(context, 1, part,
                            [](void *data) { delete static_cast<std::string *>(data); });
        part = static_cast<std::string *>(sqlite3_get_auxdata(context, 1));
        if (!part) {
            sqlite3_result_int(context, holds(valueText(argv[0]), valueText(argv[1])) ? 1 : 0);
            return;
        }
    }
    const auto *key = static_cast<const char *>(
        keyType == SQLITE_TEXT ? sqlite3_value_blob(argv[0]) : sqlite3_value_text(argv[0]));
    sqlite3_result_int(
        context,
        holds(std::string_view(key ? key : "", sqlite3_value_bytes(argv[0])), *part) ? 1 : 0);
}

void likeFunction(sqlite3_context *context, int argc, sqlite3_value **argv)
{
    for (int i = 0; i < argc; ++i) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) {
            sqlite3_result_null(context);
            return;
        }
    }
    char32_t escape = 0;
    if (argc == 3) {
        const std::string_view escapeText = valueText(argv[2]);
        size_t pos = 0;
        if (escapeText.empty() || (nextCodePoint(escapeText, pos), pos != escapeText.size())) {
            sqlite3_result_error(context, "ESCAPE expression must be a single character", -1);
            return;
        }
        pos = 0;
        escape = nextCodePoint(escapeText, pos);
    }
    // SQLite calls like(pattern, text) for "text LIKE pattern".
    auto *compiled = static_cast<ContainsPattern *>(sqlite3_get_auxdata(context, 0));
    if (!compiled) {
        if (const auto needle = containsNeedle(valueText(argv[0]), escape)) {
            compiled = new ContainsPattern{*needle};
            sqlite3_set_auxdata(context, 0, compiled,
                                [](void *data) { delete static_cast<ContainsPattern *>(data); });
            // SQLite may have dropped it at once; then ask it again next row.
            compiled = static_cast<ContainsPattern *>(sqlite3_get_auxdata(context, 0));
            if (!compiled) {
                sqlite3_result_int(context, containsFolded(valueText(argv[1]), *needle) ? 1 : 0);
                return;
            }
        }
    }
    if (compiled) {
        sqlite3_result_int(context, containsFolded(valueText(argv[1]), compiled->needle) ? 1 : 0);
        return;
    }
    sqlite3_result_int(context, like(valueText(argv[0]), valueText(argv[1]), escape) ? 1 : 0);
}

} // namespace

int compare(std::string_view left, std::string_view right)
{
    // Equal bytes are equal letters: skip the common start at once, then
    // step back to the start of a character.
    size_t same = 0;
    const size_t shorter = std::min(left.size(), right.size());
    while (same < shorter && left[same] == right[same])
        ++same;
    while (same > 0 && same < left.size() &&
           (static_cast<unsigned char>(left[same]) & 0xC0) == 0x80)
        --same;
    size_t l = same;
    size_t r = same;
    while (l < left.size() && r < right.size()) {
        const char32_t a = nextCodePoint(left, l);
        const char32_t b = nextCodePoint(right, r);
        if (a == b)
            continue;
        const char32_t foldedA = foldedPoint(a);
        const char32_t foldedB = foldedPoint(b);
        if (foldedA != foldedB)
            return foldedA < foldedB ? -1 : 1;
    }
    if (l < left.size())
        return 1;
    if (r < right.size())
        return -1;
    return 0;
}

bool like(std::string_view pattern, std::string_view text, char32_t escape)
{
    // Greedy matching with one remembered "%": linear for the usual patterns
    // and never worse than quadratic.
    size_t p = 0;
    size_t t = 0;
    size_t starPattern = std::string_view::npos;
    size_t starText = 0;
    while (t < text.size()) {
        if (p < pattern.size()) {
            size_t next = p;
            char32_t pc = nextCodePoint(pattern, next);
            bool literal = false;
            if (escape != 0 && pc == escape && next < pattern.size()) {
                pc = nextCodePoint(pattern, next);
                literal = true;
            }
            if (!literal && pc == U'%') {
                starPattern = next;
                starText = t;
                p = next;
                continue;
            }
            size_t afterText = t;
            const char32_t tc = nextCodePoint(text, afterText);
            if ((!literal && pc == U'_') ||
                lookalikePoint(foldedPoint(pc)) == lookalikePoint(foldedPoint(tc))) {
                p = next;
                t = afterText;
                continue;
            }
        }
        if (starPattern == std::string_view::npos)
            return false;
        p = starPattern;
        nextCodePoint(text, starText);
        t = starText;
    }
    while (p < pattern.size()) {
        size_t next = p;
        if (nextCodePoint(pattern, next) != U'%')
            return false;
        p = next;
    }
    return true;
}

std::string folded(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t pos = 0; pos < text.size();)
        appendFolded(out, text, pos);
    return out;
}

std::string searchKey(std::string_view text)
{
    std::string key = folded(text);
    takeLookalikes(key);
    return key;
}

QString searchKey(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    const std::string out = searchKey(std::string_view(utf8.constData(), utf8.size()));
    return QString::fromUtf8(out.data(), qsizetype(out.size()));
}

QString folded(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    const std::string out = folded(std::string_view(utf8.constData(), utf8.size()));
    // Not QString::fromUtf8, which drops a leading U+FEFF as a byte-order mark.
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless |
                                                       QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(QByteArrayView(out.data(), qsizetype(out.size())));
}

bool equal(const QString &left, const QString &right)
{
    return left.toCaseFolded() == right.toCaseFolded();
}

QString likeEscaped(const QString &text)
{
    QString escaped;
    escaped.reserve(text.size() + 4);
    for (const QChar c : text) {
        if (c == u'%' || c == u'_' || c == kLikeEscape)
            escaped += kLikeEscape;
        escaped += c;
    }
    return escaped;
}

bool registerOn(sqlite3 *db)
{
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    return sqlite3_create_collation(db, kCollation, SQLITE_UTF8, nullptr, collate) == SQLITE_OK &&
           sqlite3_create_function(db, kFunction, 1, flags | SQLITE_INNOCUOUS, nullptr,
                                   foldFunction, nullptr, nullptr) == SQLITE_OK &&
           sqlite3_create_function(db, kSearchKey, 1, flags | SQLITE_INNOCUOUS, nullptr,
                                   searchKeyFunction, nullptr, nullptr) == SQLITE_OK &&
           sqlite3_create_function(db, kContains, 2, flags | SQLITE_INNOCUOUS, nullptr,
                                   containsFunction, nullptr, nullptr) == SQLITE_OK &&
           sqlite3_create_function(db, "like", 2, flags, nullptr, likeFunction, nullptr, nullptr) ==
               SQLITE_OK &&
           sqlite3_create_function(db, "like", 3, flags, nullptr, likeFunction, nullptr, nullptr) ==
               SQLITE_OK;
}

} // namespace TextFolding
