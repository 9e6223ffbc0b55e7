#pragma once

#include <QString>
#include <string>
#include <string_view>

struct sqlite3;

// Text comparison that ignores letter case for Cyrillic exactly as for Latin
// ("Ёж" equals "ёЖ"), by Unicode simple case folding. Registered on every
// connection of the program as the functions behind LIKE, as the collation
// FOLD ("Gruppa = ? COLLATE FOLD") and as the SQL function fold(), which
// gives the folded text. SQLite's own NOCASE (Latin letters only) stays as it
// is: an index must be in the same order for every tool that opens the file,
// so nothing stored is ordered by FOLD; where an index has to ignore case, it
// is built on a column holding fold() of the text, compared byte by byte.
namespace TextFolding {

inline constexpr char kCollation[] = "FOLD";
inline constexpr char kFunction[] = "fold";
// contains(key, part): whether the text key holds the text part. Both are
// folded already, so it compares bytes: the search over the folded keys.
inline constexpr char kContains[] = "contains";
// searchkey(text): the folded text with the Cyrillic letters that look like
// Latin ones taken as those (а/a, в/b, е/e, к/k, м/m, н/h, о/o, р/p, с/c,
// т/t, у/y, х/x), for searches only; the folding LIKE matches them alike.
inline constexpr char kSearchKey[] = "searchkey";
// The escape character that likeEscaped() uses; statements say ESCAPE '\'.
inline constexpr QChar kLikeEscape = u'\\';

// Orders two UTF-8 texts by their case-folded code points: <0, 0 or >0.
int compare(std::string_view left, std::string_view right);

// SQL LIKE on UTF-8 texts: "%" any run, "_" one character, case folded.
// escape is 0 when the statement names no ESCAPE character.
bool like(std::string_view pattern, std::string_view text, char32_t escape = 0);

// The text with every letter case folded, as fold() gives it in SQL;
// comparing two folded texts byte by byte orders them as compare() does.
std::string folded(std::string_view text);
QString folded(const QString &text);

// The text as searchkey() gives it in SQL.
std::string searchKey(std::string_view text);
QString searchKey(const QString &text);

// Equality as the database sees it.
bool equal(const QString &left, const QString &right);

// The user's text made safe for a LIKE pattern: its own "%", "_" and the
// escape character match themselves.
QString likeEscaped(const QString &text);

// Installs the collation, fold(), contains() and the LIKE functions on an
// open connection. Returns false when SQLite refuses them.
bool registerOn(sqlite3 *db);

} // namespace TextFolding
