#pragma once

#include "PositionsEdit.h"
#include "PositionsTable.h"

// A value typed into one cell of a position (the grid, the price box, the
// group box). Values typed into the same cell one after the other make one
// step, so that one undo takes the cell back to what it held before.
class CellEdit final : public PositionsEdit {
public:
    CellEdit(SpecificationDocument &document, PositionsChange change, qint64 key,
             PositionsTable::Field field);

    int id() const override;
    bool mergeWith(const QUndoCommand *other) override;

private:
    qint64 m_key;
    PositionsTable::Field m_field;
};
