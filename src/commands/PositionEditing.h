#pragma once

#include "PositionsTable.h"

#include <QString>
#include <QVariant>

class SpecificationDocument;

// Edits of single positions as the user makes them in the editor: a value
// typed into a cell, a row added, a row deleted. Each is one step of the
// document's undo stack; a refused value throws AppError and changes
// nothing.
namespace PositionEditing {

// What text typed into field stands for: the text itself, empty for none; a
// number in the number columns. Throws AppError saying why when it is
// refused: a word in a number column, a quantity the documents cannot
// print, a position number that is not whole.
QVariant typedValue(PositionsTable::Field field, const QString &typed);

// Writes typed into field of the position with key. Values typed into the
// same cell one after the other make one step. A value the field holds
// already makes none.
void editCell(SpecificationDocument &document, qint64 key, PositionsTable::Field field,
              const QString &typed);

// A new position holding typed in field: the first value typed into a row
// being added. Returns its key; 0 when typed is empty (no position).
qint64 addPosition(SpecificationDocument &document, PositionsTable::Field field,
                   const QString &typed);

// Deletes the position with key.
void deletePosition(SpecificationDocument &document, qint64 key);

} // namespace PositionEditing
