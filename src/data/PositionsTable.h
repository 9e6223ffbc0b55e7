#pragma once

#include "PositionFilter.h"
#include "PositionsChange.h"
#include "Statement.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>

class Database;
struct sqlite3_session;

// One position of a specification: every column of table `data`, typed. A
// null text is a NULL in the table, as an empty line of the file reads.
struct Position {
    qint64 key = 0; // the hidden row key; 0 for a position not stored yet
    QString name;   // the block name, the catalogue's key
    QString caption;
    std::optional<double> quantity;
    QString unit;
    std::optional<double> cost;
    QString reserve; // a spare column that nothing reads
    QString mass;
    QString type;
    QString code;
    QString maker;
    QString group;
    QString comment;
    std::optional<qint64> number;      // the position number
    std::optional<qint64> groupNumber; // the group's place in the group order

    bool operator==(const Position &) const = default;
};

// The rows a change of the positions touched: all of them, or those keys
// (the rows may since be gone).
struct TouchedRows {
    bool all = false;
    QList<qint64> keys;
};

// Table `data` of the working database: the only place that writes SQL on
// it. Every change, single or bulk, ends in one changed() signal, which the
// editor's grid follows; lastTouched() then tells which rows it touched.
class PositionsTable : public QObject {
    Q_OBJECT

public:
    // The columns of the data model in their physical order.
    enum Field {
        Name,
        Caption,
        Quantity,
        Unit,
        Cost,
        Reserve,
        Mass,
        Type,
        Code,
        Maker,
        Group,
        Comment,
        Number,
        GroupNumber,
        FieldCount
    };

    explicit PositionsTable(Database &working, QObject *parent = nullptr);

    // The column's name in table `data` (Schema::kDataColumns).
    static QString columnName(Field field);
    static QVariant value(const Position &position, Field field);
    // Sets a field from a value as the database holds it (null, number, text).
    static void setValue(Position &position, Field field, const QVariant &value);

    // The positions the filter selects, by position number and then by the
    // order they were stored in.
    QList<Position> read(const PositionFilter &filter = {}) const;
    // The same positions given to visit one at a time, none kept.
    void forEach(const PositionFilter &filter,
                 const std::function<void(Position &&position)> &visit) const;
    // Up to limit positions stored after the one with key, in the order they
    // were stored: a pass over all of them a batch at a time, which may
    // change the positions it has read (0 starts before the first).
    QList<Position> readAfter(qint64 key, int limit) const;
    std::optional<Position> find(qint64 key) const;
    int count() const;
    // The sum of the quantities the filter selects.
    double totalQuantity(const PositionFilter &filter = {}) const;

    // Stores a new position; returns its key.
    qint64 insert(const Position &position);
    // Stores new positions, in their order.
    void insertAll(const QList<Position> &positions);
    // Writes the given fields of the position with key; other fields stay.
    void update(qint64 key, const QList<Field> &fields, const QVariantList &values);
    // Writes every field of position (found by its key).
    void update(const Position &position);
    void remove(qint64 key);
    // Replaces every position by positions, all or nothing; progress(done)
    // follows every position stored.
    void replaceAll(const QList<Position> &positions,
                    const std::function<void(int done)> &progress = {});

    // Runs work in one transaction: all of it or, when it throws, none.
    // However many changes it makes, changed() comes once, at the end.
    template <typename Work> void inTransaction(Work &&work);

    // Runs work in one transaction, as inTransaction() does, and returns
    // what it changed: the rows it touched as they were and as they became.
    // A recording inside another records nothing of its own; the outer one
    // takes in everything. When work throws, nothing changed.
    PositionsChange record(const std::function<void()> &work);
    // Makes a recorded change, all of it or nothing, whatever the rows
    // hold now; apply(change.inverted()) undoes it.
    void apply(const PositionsChange &change);

    // Replaces every position by those of table `data` in the database
    // file (the working database a crashed copy left), copied whole, row
    // keys included, all or nothing.
    void replaceAllFrom(const QString &databaseFile);

    // The rows the change that changed() announces touched.
    const TouchedRows &lastTouched() const { return m_lastTouched; }

signals:
    void changed();

private:
    void begin();
    void commit();
    void rollback();
    // The statements kept for the open transaction go with it.
    void dropKeptStatements();
    void touched(qint64 key);
    void touchedAll();
    static QString insertStatement(int rows = 1);
    static constexpr int kRowsAStatement = 32;

    Database &m_working;
    // The update statement of the open transaction, for updateFields.
    std::unique_ptr<Statement> m_update;
    QList<Field> m_updateFields;
    // The insert statement of the open transaction.
    std::unique_ptr<Statement> m_insert;
    std::unique_ptr<Statement> m_insertMany;
    int m_depth = 0;
    bool m_changed = false;
    TouchedRows m_touched;     // by the open transaction
    TouchedRows m_lastTouched; // by the last one that changed something
    sqlite3_session *m_recording = nullptr;
};

template <typename Work> void PositionsTable::inTransaction(Work &&work)
{
    begin();
    try {
        work();
    } catch (...) {
        rollback();
        throw;
    }
    commit();
}
