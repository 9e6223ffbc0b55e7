#pragma once

#include <QAbstractTableModel>

// A table model as a RowsGrid edits it: besides its cells, a row being
// added, which is kept only once something is typed into it, and rows
// deleted. Each model stores its rows where they belong.
class GridModel : public QAbstractTableModel {
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    // A column's lasting name for headerData(), under which its width is
    // kept from one run to the next.
    static constexpr int ColumnKeyRole = Qt::UserRole + 1;

    // A new empty row before row (rowCount() appends); returns its place.
    // It is stored with the first value written into it; until then it is
    // the pending row, and a new insert replaces it.
    virtual int insertRecord(int row) = 0;
    // The row added by insertRecord that holds nothing yet, or -1.
    virtual int pendingRow() const = 0;
    // Takes the pending row away again: the insert is cancelled.
    virtual void dropPendingRow() = 0;
    // Deletes a row; the pending row is only taken away. False when the
    // deletion failed (and the error was shown).
    virtual bool removeRecord(int row) = 0;
};
