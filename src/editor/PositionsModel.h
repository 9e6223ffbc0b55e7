#pragma once

#include "GridModel.h"
#include "PositionsTable.h"

#include <QColor>

class Session;

// The positions of the open specification as the editor's grid shows them:
// sorted by position number, under the session's view filter, coloured by
// quantity. It reads and writes nothing but Positions: a value typed into a
// cell, a row added and a row deleted are edits of the document's stack
// (PositionEditing), and the model follows every change of the positions
// table, whoever made it, row by row where few rows changed.
class PositionsModel : public GridModel {
    Q_OBJECT

public:
    // The grid's columns, left to right.
    enum Column { Poz, Caption, Type, Code, Maker, Unit, Quantity, Mass, Comment, ColumnCount };

    explicit PositionsModel(Session &session, QObject *parent = nullptr);

    // Reads the positions again.
    void reload();
    // Forgets the rows (the working database is going).
    void clear();
    // Whether the rows have been read since the last clear().
    bool isLoaded() const { return m_loaded; }

    // Every position shown, in the grid's order.
    const QList<Position> &rows() const { return m_rows; }
    // The position shown in row; an empty one for the pending row or none.
    Position position(int row) const;
    // The row's key in the table; 0 for the pending row.
    qint64 rowKey(int row) const;
    // The row that shows the position with key, or -1.
    int rowOf(qint64 key) const;
    // Writes typed into field of row as the user's edit, storing the
    // pending row with it; false when the value was refused (the error is
    // shown).
    bool setCell(int row, PositionsTable::Field field, const QString &typed);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    int insertRecord(int row) override;
    int pendingRow() const override { return m_pending; }
    void dropPendingRow() override;
    bool removeRecord(int row) override;

    // The row the grid stands on; its header shows the row indicator.
    void setCurrentRow(int row);

    static const QColor kZeroQuantityColour;
    static const QColor kNegativeQuantityColour;
    // Background of a row by its quantity: light green for 0 or empty, red
    // below 0, none otherwise.
    static QVariant quantityBackground(const std::optional<double> &quantity);
    // The field a column shows.
    static PositionsTable::Field fieldOf(int column);

private:
    void followChange();

    Session &m_session;
    QList<Position> m_rows;
    int m_pending = -1;
    int m_currentRow = -1;
    bool m_loaded = false;
};
