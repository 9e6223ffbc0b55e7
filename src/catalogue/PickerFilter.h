#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

// Which goods the component picker lists: words of the description, the
// group, part of the type and part of the maker, as the user typed them.
struct PickerCriteria {
    QString words;
    QString group;
    QString type;
    QString maker;
};

// A WHERE clause with placeholders and the values to bind, in order.
struct SqlClause {
    QString where;
    QVariantList values;
};

class Database;

namespace PickerFilter {

// The picker's group list: "Все группы", then every group that a good of the
// catalogue carries, in alphabetical order.
QStringList groupList(Database &catalogue);

// The clause for typing: every word a case-insensitive substring of the
// description (words split at single blanks, so two blanks make an empty
// word, which only asks for a description), then the group unless it is
// "Все группы" or empty, then the type and the maker as substrings. The
// user's own "%", "_", quotes and apostrophes match themselves.
SqlClause typing(const PickerCriteria &criteria);

// The clause for a change of the group list alone: the group, the goods
// without a group for an empty text, or nothing for "Все группы".
SqlClause groupChange(const QString &group);

} // namespace PickerFilter
