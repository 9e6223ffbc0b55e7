#pragma once

#include <QString>
#include <QVariantList>

// Which positions of table `data` the editor shows: all of them, one group,
// the undefined group (group number 999) or one maker. The same filter
// selects what the group save writes.
struct PositionFilter {
    // NoGroup: the positions that carry no group name at all.
    enum class Kind { All, Group, UndefinedGroup, Maker, NoGroup };
    Kind kind = Kind::All;
    QString value; // the group or the maker

    static constexpr int kUndefinedGroupNumber = 999;

    // " WHERE …" with placeholders, or empty; values() binds them in order.
    QString whereClause() const;
    QVariantList values() const;
    bool operator==(const PositionFilter &) const = default;
};
