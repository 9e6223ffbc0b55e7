#pragma once

#include "GridModel.h"

#include <QList>
#include <QStringList>
#include <QVariant>
#include <memory>

class Database;
class Statement;

// The rows of one table as a grid shows them, found by their hidden row key.
// Every change is written to the database at once, so nothing typed is held
// back; only a row the user adds waits for its first value, so that a row
// added and left blank never reaches the table. A long result can be read in
// batches as the grid scrolls.
class RowsModel : public GridModel {
    Q_OBJECT

public:
    struct Column {
        QString field;
        QString title;
        Qt::Alignment alignment;
        Qt::Alignment titleAlignment = Qt::AlignCenter;
    };

    // tableColumns are the columns read and kept for every row; shown are
    // the grid's columns, each naming one of them.
    RowsModel(Database &db, QString table, QStringList tableColumns, QList<Column> shown,
              QObject *parent = nullptr);
    ~RowsModel() override;

    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }

    // Reads the rows that where (" WHERE …" with placeholders, or empty)
    // selects, in the given order. With batches, the first batch is read now
    // and the rest as the grid asks for it.
    void load(const QString &where, const QVariantList &values, const QString &orderBy,
              bool inBatches = false);
    // Reads what is left of a load in batches.
    void loadAll();
    // Forgets the rows and lets go of the statement (before a disconnect).
    void clear();

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

    // A column of the table by name, for boxes bound to the current row.
    QVariant field(int row, const QString &column) const;
    // Writes one value; text typed into a number column must be a number,
    // else the error is reported and nothing is written.
    bool setField(int row, const QString &column, const QVariant &value);
    // Several values of one row in one statement, in the given order.
    bool setFields(int row, const QStringList &columns, const QVariantList &values);
    // A new empty row before row (rowCount() appends); its row. The row is
    // stored with the first value written into it; until then it is the
    // pending row, and a new insert replaces it.
    int insertRecord(int row) override;
    // The row added by insertRecord that holds nothing yet, or -1.
    int pendingRow() const override;
    // Takes the pending row away again: the insert is cancelled.
    void dropPendingRow() override;
    // Stores the pending row blank, for work that needs it in the table;
    // false when that failed (the error is reported).
    bool storePendingRow();
    // Deletes a row; the pending row is only taken away.
    bool removeRecord(int row) override;
    // The row's key in the table; 0 for the pending row.
    qint64 rowKey(int row) const;

    const QList<Column> &shownColumns() const { return m_shown; }

protected:
    // Further roles for a cell: colours and the like.
    virtual QVariant decoration(int row, int column, int role) const;

    // Where the rows are kept. By default statements on the model's table;
    // a model over a table with a home of its own passes them on there.
    virtual void storeValues(qint64 key, const QStringList &columns, const QVariantList &values);
    virtual qint64 storeNewRow();
    virtual void storeRemoval(qint64 key);

    // Shows rows read elsewhere: each a row key and the values of the
    // table's columns in their order.
    void setRows(const QList<std::pair<qint64, QVariantList>> &rows);

private:
    struct Row {
        qint64 key = 0;
        QList<QVariant> values;
        bool pending = false;
    };
    int tableColumn(const QString &column) const;
    void readBatch(int count);
    void write(int row, const QStringList &columns, const QVariantList &values);
    // Stores the pending row at row, with the given values when there are any.
    void storeRow(int row, const QStringList &columns, const QVariantList &values);

    Database &m_db;
    QString m_table;
    QStringList m_columns;
    QList<Column> m_shown;
    QList<int> m_shownPlaces;
    QList<Row> m_rows;
    std::unique_ptr<Statement> m_pending;
    bool m_readOnly = false;
};
