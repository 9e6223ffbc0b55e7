#pragma once

#include <QStringList>
#include <optional>

class Prompts;
class Session;

// The group order as "Порядок групп." keeps it: the session's group order
// list, which numbering reads at once, and the groups of the catalogue.
// Moves and additions change the list only, until writeOrder() puts the
// order into the catalogue; renames and removals reach the catalogue at
// once. Every command either does all it says or, throwing AppError,
// nothing. On the office's server a change made from an order that someone
// else has changed since the list was read is refused: the user is told
// that nothing was written and asked whether to load the catalogue's order
// in place of the list.
namespace GroupOrder {

extern const QString kNewGroup;

// What became of a change of the catalogue's group order.
enum class Result {
    Written,
    Refused,  // nothing written, the list kept
    Reloaded, // nothing written, the list loaded again from the catalogue
};

// Reads the catalogue's group order into the session's list, with the
// version the changes are made from.
void load(Session &session);

// Moves the group at from to the place to; returns its new place, or from
// when either place is outside the list.
int move(Session &session, int from, int to);
// Appends "Новая группа"; returns its place.
int add(Session &session);
// Renames the group at place in the catalogue (its goods too) and in the
// list. A group never written renames nothing in the catalogue. Returns the
// place to select afterwards (the group's, or the first after a reload, -1
// for none), or nothing when the list stays as it was.
std::optional<int> rename(Session &session, Prompts &prompts, int place, const QString &name);
// Removes the group at place from the catalogue and the list, unless a good
// carries it: then says "Невозвожно удалить группу "…"!" and changes nothing.
// Returns the place to select afterwards (the group above, the next for the
// first one, the first after a reload, -1 for none), or nothing when the
// list stays as it was.
std::optional<int> remove(Session &session, Prompts &prompts, int place);
// Writes the list's order into the catalogue, each group its place from 0,
// adding the groups the catalogue lacks; the progress follows every group.
Result writeOrder(Session &session, Prompts &prompts);
// The catalogue's groups in alphabetical order, for the catalogue editor's
// lists.
QStringList alphabetical(Session &session);

} // namespace GroupOrder
