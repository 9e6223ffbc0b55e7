#pragma once

class Prompts;
class Session;

// Ordering the positions by the group order and numbering them, and taking
// the empty positions away: "Сортировка" and "Удалить нулевые".
namespace Numbering {

// Every position gets the place of its group in the session's group order
// (999 when the group is not there) and a running number from 1, group by
// group and, within a group, by caption as a designer reads a list (Russian
// alphabetical order, letter case ignored, numbers by their value). A
// position named "block_test" takes its caption as its name. All or
// nothing; returns the number of positions left in no known group.
int sortAndNumber(Session &session);

// The positions of quantity 0 or of no group (no value or empty text).
int removeEmptyPositions(Session &session);

// "Удалить нулевые": asks first; returns how many went (0 after a No).
int removeEmpty(Session &session, Prompts &prompts);

} // namespace Numbering
