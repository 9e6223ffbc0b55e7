#pragma once

#include "Catalogue.h"
#include "GridModel.h"

#include <QList>
#include <QSet>
#include <functional>

// Goods of the catalogue as a grid or a list shows them, read through the
// Catalogue a page at a time as the view scrolls, so that the first goods
// show at once however large the catalogue is. An editable model writes
// every change at once, so nothing typed is held back; only a good the user
// adds waits for its first value, so that a row added and left blank never
// reaches the catalogue.
class GoodsModel : public GridModel {
    Q_OBJECT

public:
    // The columns of a good, in the order of CatalogueGood.
    enum Field { Name, Caption, Unit, Cost, Mass, Type, Code, Maker, Group };

    struct Column {
        Field field;
        QString title;
        Qt::Alignment alignment;
        Qt::Alignment titleAlignment = Qt::AlignCenter;
    };

    GoodsModel(Catalogue &catalogue, QList<Column> columns, QObject *parent = nullptr);

    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }

    // Shows the goods that criteria admit: the first page now, the rest as
    // the view asks for it. Throws AppError when the catalogue fails.
    void show(const GoodsCriteria &criteria);
    // Shows the goods of the same criteria again as the catalogue holds
    // them now; returns the row of the good of key, reading the pages up to
    // it, else row where there is one, else the last row.
    int showAgain(qint64 key, int row);
    // Reads every page that is left.
    void readAll();
    // Forgets the goods.
    void clear();

    // The good in row; an empty one for the pending row or none.
    CatalogueGood good(int row) const;
    // Its key in the catalogue; 0 for the pending row or none.
    qint64 key(int row) const;
    // The good as it was read, with its key and version.
    StoredGood stored(int row) const;
    // A value of the good in row as the user typed it, written at once; a
    // price must be a number. False when it was refused: the error is
    // shown, or, when someone else changed the good since it was read,
    // staleWriteRefused() tells.
    bool setField(int row, Field field, const QString &typed);
    // Shows a good that a command wrote into the catalogue in place of row's.
    void replace(int row, const StoredGood &good);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

    int insertRecord(int row) override;
    int pendingRow() const override;
    void dropPendingRow() override;
    bool removeRecord(int row) override;

    // A field's text as a cell shows it.
    static QString text(const CatalogueGood &good, Field field);

signals:
    // A change or removal was refused, nothing of it written, because
    // someone else changed or removed the good after it was read; message
    // says so. The window decides whether to read the goods again.
    void staleWriteRefused(const QString &message);

private:
    struct Row {
        StoredGood stored;
        bool pending = false;
    };
    void readPage();
    void write(int row, Field field, const QString &typed);
    // Runs a change of the catalogue under the error guard; false when it
    // failed or was refused as made from a good someone else has changed.
    bool refusingStale(const std::function<void()> &change);

    Catalogue &m_catalogue;
    QList<Column> m_columns;
    QList<Row> m_rows;
    GoodsCriteria m_criteria;
    qint64 m_lastRead = 0;
    bool m_more = false;
    // Goods added here: their keys come after the pages still to be read,
    // which must not bring them a second time.
    QSet<qint64> m_added;
    bool m_readOnly = false;
};
