#pragma once

#include <QString>

// Which positions of table `data` the editor shows: all of them, one group,
// the undefined group (group number 999) or one maker. The same filter
// selects what the group save writes.
struct PositionFilter {
    // NoGroup: the positions that carry no group name at all.
    enum class Kind { All, Group, UndefinedGroup, Maker, NoGroup };
    Kind kind = Kind::All;
    QString value; // the group or the maker

    static constexpr int kUndefinedGroupNumber = 999;

    // " WHERE …" for the kinds the engine tells by itself, or empty. A group
    // and a maker compare without regard to letter case, Cyrillic as Latin,
    // which the program does itself: admits() tells them.
    QString whereClause() const;
    bool admits(const QString &group, const QString &maker) const;
    bool operator==(const PositionFilter &) const = default;
};
