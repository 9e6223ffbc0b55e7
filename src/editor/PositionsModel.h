#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QVariant>

class Session;

// The positions of table `data` as the editor's grid shows them: sorted by
// position number, under the session's view filter. Every change is written
// to the working database at once, so nothing typed is ever held back.
class PositionsModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // The grid's columns, left to right.
    enum Column { Poz, Caption, Type, Code, Maker, Unit, Quantity, Mass, Comment, ColumnCount };

    explicit PositionsModel(Session &session, QObject *parent = nullptr);

    // Reads the positions again from the working database.
    void reload();
    // Forgets the rows (the working database is being closed).
    void clear();

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // Writes an edited cell; a quantity, price or number that is not a
    // number is reported and nothing is written.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    // Any column of `data` by name, for the boxes bound to the current row.
    QVariant field(int row, const QString &column) const;
    bool setField(int row, const QString &column, const QVariant &value);

    // A new empty position before row (rowCount() appends); returns its row.
    int insertPosition(int row);
    void removePosition(int row);

    // The row the grid stands on; its header shows the row indicator.
    void setCurrentRow(int row);

    static const QColor kZeroQuantityColour;
    static const QColor kNegativeQuantityColour;
    // Background of a row by its quantity: light green for 0 or empty, red
    // below 0, none otherwise.
    static QVariant quantityBackground(const QVariant &quantity);

signals:
    // A position was changed, inserted or deleted by the user.
    void positionsEdited();

private:
    struct Row {
        qint64 key = 0;
        QList<QVariant> values; // in the order of Schema::kDataColumns
    };
    int columnIndex(const QString &column) const;
    bool writeValue(int row, int dataColumn, const QVariant &value);

    Session &m_session;
    QList<Row> m_rows;
    int m_currentRow = -1;
};
