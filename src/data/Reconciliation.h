#pragma once

struct CatalogueGood;
struct Position;
class Session;

// Completes the positions of a specification from the catalogue: every
// position whose block name is a good of the catalogue (letter case ignored,
// Cyrillic included) takes that good's description, unit, price, mass, type,
// code, maker and group. Quantities, remarks and numbers stay as they are; a
// name the catalogue does not know leaves its position alone. Then the
// editor's and the picker's lists are rebuilt from the specification and the
// catalogue. Progress goes to the session, one step per position.
namespace Reconciliation {

void reconcile(Session &session);

// Rebuilds the editor's group and maker filter lists from the positions as
// they are now (after an undo, say), without asking the catalogue.
void refreshFilterLists(Session &session);

// What a position takes from its good: description, unit, price, mass, type,
// code, maker and group. Its name, quantity, numbers and remark stay.
void takeGood(Position &position, const CatalogueGood &good);

} // namespace Reconciliation
