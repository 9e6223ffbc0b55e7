#pragma once

#include <QString>

// Text comparison that ignores letter case for Cyrillic exactly as for Latin
// ("Ёж" equals "ёЖ"), by Unicode simple case folding. The program computes
// the folded keys of the catalogue's goods with it when it writes them, so
// that every look-up and search is plain SQL that any tool and any engine
// runs: equality and instr() on the keys, never a function of the program's
// own inside the engine.
namespace TextFolding {

// The text with every letter case folded; never a null text.
QString folded(const QString &text);

// The folded text with the Cyrillic letters that look like Latin ones taken
// as those (а/a, в/b, е/e, к/k, м/m, н/h, о/o, р/p, с/c, т/t, у/y, х/x), for
// searches only: "600х300" typed on a Russian keyboard finds "600x300".
QString searchKey(const QString &text);

// Equality as the catalogue sees it.
bool equal(const QString &left, const QString &right);

} // namespace TextFolding
