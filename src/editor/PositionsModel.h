#pragma once

#include "RowsModel.h"

class Session;

// The positions of table `data` as the editor's grid shows them: sorted by
// position number, under the session's view filter, coloured by quantity.
class PositionsModel : public RowsModel {
    Q_OBJECT

public:
    // The grid's columns, left to right.
    enum Column { Poz, Caption, Type, Code, Maker, Unit, Quantity, Mass, Comment, ColumnCount };

    explicit PositionsModel(Session &session, QObject *parent = nullptr);

    // Reads the positions again from the working database.
    void reload();
    // Whether a change of the positions table comes from this model's own
    // edit, which the grid already shows.
    bool isStoring() const;

    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // The row the grid stands on; its header shows the row indicator.
    void setCurrentRow(int row);

    static const QColor kZeroQuantityColour;
    static const QColor kNegativeQuantityColour;
    // Background of a row by its quantity: light green for 0 or empty, red
    // below 0, none otherwise.
    static QVariant quantityBackground(const QVariant &quantity);

protected:
    QVariant decoration(int row, int column, int role) const override;
    void storeValues(qint64 key, const QStringList &columns, const QVariantList &values) override;
    qint64 storeNewRow() override;
    void storeRemoval(qint64 key) override;

private:
    Session &m_session;
    int m_currentRow = -1;
    int m_storing = 0;
};
