#pragma once

#include "Catalogue.h"

#include <QString>

// Which goods the component picker lists: words of the description, the
// group, part of the type and part of the maker, as the user typed them.
struct PickerCriteria {
    QString words;
    QString group;
    QString type;
    QString maker;
};

// What the picker's fields ask of the catalogue.
namespace PickerFilter {

// For typing: every word a part of the description (words split at single
// blanks, so two blanks make an empty word, which only asks for a
// description), the group unless it is "Все группы" or empty, the type and
// the maker as parts.
GoodsCriteria typing(const PickerCriteria &criteria);

// For a change of the group list alone: the group, the goods without a group
// for an empty text, or every good for "Все группы".
GoodsCriteria groupChange(const QString &group);

} // namespace PickerFilter
