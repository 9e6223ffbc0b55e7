#pragma once

#include <QString>
#include <string_view>

struct sqlite3;

// Text comparison that ignores letter case for Cyrillic exactly as for Latin
// ("Ёж" equals "ёЖ"), by Unicode simple case folding. Registered on every
// connection of the program as the functions behind LIKE and in place of
// SQLite's own NOCASE collation, which folds Latin letters only. The schema
// puts NOCASE on every text column, so "=", indexes and ORDER BY fold case in
// every statement, and the files stay readable by the plain sqlite3 tool.
// Writing Cyrillic names into an indexed column with another tool may leave
// that index out of the program's order; "REINDEX" in the program mends it.
namespace TextFolding {

inline constexpr char kCollation[] = "NOCASE";
// The escape character that likeEscaped() uses; statements say ESCAPE '\'.
inline constexpr QChar kLikeEscape = u'\\';

// Orders two UTF-8 texts by their case-folded code points: <0, 0 or >0.
int compare(std::string_view left, std::string_view right);

// SQL LIKE on UTF-8 texts: "%" any run, "_" one character, case folded.
// escape is 0 when the statement names no ESCAPE character.
bool like(std::string_view pattern, std::string_view text, char32_t escape = 0);

// Equality as the database sees it.
bool equal(const QString &left, const QString &right);

// The user's text made safe for a LIKE pattern: its own "%", "_" and the
// escape character match themselves.
QString likeEscaped(const QString &text);

// Installs the collation and the LIKE functions on an open connection.
// Returns false when SQLite refuses them.
bool registerOn(sqlite3 *db);

} // namespace TextFolding
