#pragma once

#include "PositionsTable.h"

#include <QList>
#include <QString>
#include <optional>

class SpecificationDocument;

// Find and replace in the positions of a specification: any text of a
// position (description, block name, type, code, maker, remark, position
// number), letter case and the Cyrillic letters that look like Latin ones
// aside, as the picker searches the catalogue.
namespace Find {

// The texts a search looks in, in this order within a position.
extern const QList<PositionsTable::Field> kSearchedFields;

// Where what stands in text from from on (or, backwards, before from),
// letter case and look-alike letters aside; nothing when it does not.
std::optional<qsizetype> indexIn(const QString &text, const QString &what, qsizetype from = 0);

// Whether some searched text of position holds what.
bool holds(const Position &position, const QString &what);

// The place in positions (in their order) of the next one after place
// (before it, backwards) that holds what, going round past the end; place
// -1 starts from the beginning (the end). Nothing when none holds it.
std::optional<int> next(const QList<Position> &positions, int place, const QString &what,
                        bool backwards = false);

// Replaces what by with in every searched text of positions (the position
// number aside) as one step, "Заменить все", of the document's stack.
// Returns how many places were replaced.
int replaceAll(SpecificationDocument &document, const QList<Position> &positions,
               const QString &what, const QString &with);

// The same for one position, as a step of its own; 0 when it holds none.
int replaceIn(SpecificationDocument &document, const Position &position, const QString &what,
              const QString &with);

} // namespace Find
