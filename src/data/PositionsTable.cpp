#include "PositionsTable.h"

#include "AppError.h"
#include "Database.h"
#include "Schema.h"
#include "SqliteErrors.h"
#include "SqliteSession.h"
#include "Statement.h"

#include <utility>

namespace {

QVariant text(const QString &value)
{
    return value.isNull() ? QVariant() : QVariant(value);
}

template <typename T> QVariant optional(const std::optional<T> &value)
{
    return value ? QVariant::fromValue(*value) : QVariant();
}

QString textOf(const QVariant &value)
{
    return value.isNull() ? QString() : value.toString();
}

// Every column of the data model and the row key, in one place for every
// statement that reads positions.
QString selectList()
{
    return Schema::kDataColumns.join(u',') + u',' + QLatin1String(Schema::kRowKey);
}

Position positionAt(const Statement &select)
{
    Position position;
    for (int field = 0; field < PositionsTable::FieldCount; ++field)
        PositionsTable::setValue(position, PositionsTable::Field(field), select.value(field));
    position.key = select.integer(PositionsTable::FieldCount);
    return position;
}

// Every field in the order of Schema::kDataColumns, from place first on,
// each bound as its type, not through a QVariant: a file of positions is
// stored this way.
void bindAll(Statement &statement, const Position &position, int first = 0)
{
    const auto text = [&](int place, const QString &value) {
        statement.bind(first + place, value);
    };
    const auto real = [&](int place, const std::optional<double> &value) {
        if (value)
            statement.bind(first + place, *value);
        else
            statement.bindNull(first + place);
    };
    const auto whole = [&](int place, const std::optional<qint64> &value) {
        if (value)
            statement.bind(first + place, *value);
        else
            statement.bindNull(first + place);
    };
    text(PositionsTable::Name, position.name);
    text(PositionsTable::Caption, position.caption);
    real(PositionsTable::Quantity, position.quantity);
    text(PositionsTable::Unit, position.unit);
    real(PositionsTable::Cost, position.cost);
    text(PositionsTable::Reserve, position.reserve);
    text(PositionsTable::Mass, position.mass);
    text(PositionsTable::Type, position.type);
    text(PositionsTable::Code, position.code);
    text(PositionsTable::Maker, position.maker);
    text(PositionsTable::Group, position.group);
    text(PositionsTable::Comment, position.comment);
    whole(PositionsTable::Number, position.number);
    whole(PositionsTable::GroupNumber, position.groupNumber);
    static_assert(PositionsTable::FieldCount == 14, "every field is bound");
}

} // namespace

PositionsTable::PositionsTable(Database &working, QObject *parent)
    : QObject(parent), m_working(working)
{
}

QString PositionsTable::columnName(Field field)
{
    return Schema::kDataColumns.at(field);
}

QVariant PositionsTable::value(const Position &position, Field field)
{
    switch (field) {
    case Name:
        return text(position.name);
    case Caption:
        return text(position.caption);
    case Quantity:
        return optional(position.quantity);
    case Unit:
        return text(position.unit);
    case Cost:
        return optional(position.cost);
    case Reserve:
        return text(position.reserve);
    case Mass:
        return text(position.mass);
    case Type:
        return text(position.type);
    case Code:
        return text(position.code);
    case Maker:
        return text(position.maker);
    case Group:
        return text(position.group);
    case Comment:
        return text(position.comment);
    case Number:
        return optional(position.number);
    case GroupNumber:
        return optional(position.groupNumber);
    case FieldCount:
        break;
    }
    return {};
}

void PositionsTable::setValue(Position &position, Field field, const QVariant &value)
{
    const auto real = [&]() -> std::optional<double> {
        return value.isNull() ? std::nullopt : std::optional(value.toDouble());
    };
    const auto whole = [&]() -> std::optional<qint64> {
        return value.isNull() ? std::nullopt : std::optional(value.toLongLong());
    };
    switch (field) {
    case Name:
        position.name = textOf(value);
        break;
    case Caption:
        position.caption = textOf(value);
        break;
    case Quantity:
        position.quantity = real();
        break;
    case Unit:
        position.unit = textOf(value);
        break;
    case Cost:
        position.cost = real();
        break;
    case Reserve:
        position.reserve = textOf(value);
        break;
    case Mass:
        position.mass = textOf(value);
        break;
    case Type:
        position.type = textOf(value);
        break;
    case Code:
        position.code = textOf(value);
        break;
    case Maker:
        position.maker = textOf(value);
        break;
    case Group:
        position.group = textOf(value);
        break;
    case Comment:
        position.comment = textOf(value);
        break;
    case Number:
        position.number = whole();
        break;
    case GroupNumber:
        position.groupNumber = whole();
        break;
    case FieldCount:
        break;
    }
}

QList<Position> PositionsTable::read(const PositionFilter &filter) const
{
    QList<Position> positions;
    positions.reserve(count());
    forEach(filter, [&](Position &&position) { positions.append(std::move(position)); });
    return positions;
}

void PositionsTable::forEach(const PositionFilter &filter,
                             const std::function<void(Position &&position)> &visit) const
{
    m_working.open();
    Statement select(m_working,
                     QStringLiteral("SELECT %1 FROM data%2 ORDER BY POZ, %3")
                         .arg(selectList(), filter.whereClause(), QLatin1String(Schema::kRowKey)));
    while (select.next()) {
        Position position = positionAt(select);
        if (filter.admits(position.group, position.maker))
            visit(std::move(position));
    }
}

QList<Position> PositionsTable::readAfter(qint64 key, int limit) const
{
    m_working.open();
    Statement select(m_working, QStringLiteral("SELECT %1 FROM data WHERE %2 > ? ORDER BY %2 "
                                               "LIMIT ?")
                                    .arg(selectList(), QLatin1String(Schema::kRowKey)));
    select.bind(0, key);
    select.bind(1, qint64(limit));
    QList<Position> positions;
    positions.reserve(limit);
    while (select.next())
        positions.append(positionAt(select));
    return positions;
}

std::optional<Position> PositionsTable::find(qint64 key) const
{
    m_working.open();
    Statement select(m_working, QStringLiteral("SELECT %1 FROM data WHERE %2 = ?")
                                    .arg(selectList(), QLatin1String(Schema::kRowKey)));
    select.bind(0, key);
    if (!select.next())
        return std::nullopt;
    return positionAt(select);
}

int PositionsTable::count() const
{
    m_working.open();
    return m_working.scalar(QStringLiteral("SELECT COUNT(*) FROM data")).toInt();
}

double PositionsTable::totalQuantity(const PositionFilter &filter) const
{
    m_working.open();
    if (!filter.whereClause().isEmpty() || filter.kind == PositionFilter::Kind::All) {
        Statement sum(m_working,
                      QStringLiteral("SELECT TOTAL(KOL) FROM data") + filter.whereClause());
        return sum.next() ? sum.real(0) : 0.0;
    }
    // A group or a maker is told in C++, where letter case is folded; the
    // engine sums in the same order of rows.
    Statement select(m_working, QStringLiteral("SELECT KOL, Gruppa, Firma FROM data ORDER BY %1")
                                    .arg(QLatin1String(Schema::kRowKey)));
    double total = 0;
    while (select.next())
        if (filter.admits(select.text(1), select.text(2)))
            total += select.real(0);
    return total;
}

QString PositionsTable::insertStatement(int rows)
{
    QStringList places;
    for (int field = 0; field < FieldCount; ++field)
        places << QStringLiteral("?");
    const QString row = u'(' + places.join(u',') + u')';
    QStringList values;
    for (int each = 0; each < rows; ++each)
        values << row;
    return QStringLiteral("INSERT INTO data (%1) VALUES %2")
        .arg(Schema::kDataColumns.join(u','), values.join(u','));
}

qint64 PositionsTable::insert(const Position &position)
{
    qint64 key = 0;
    // As update(): inside a transaction the statement is kept for the next
    // position, and a single statement needs no savepoint of its own.
    const auto work = [&] {
        if (!m_insert)
            m_insert = std::make_unique<Statement>(m_working, insertStatement());
        try {
            bindAll(*m_insert, position);
            m_insert->run();
        } catch (...) {
            m_insert.reset();
            throw;
        }
        key = sqlite3_last_insert_rowid(m_working.engine());
        touched(key);
    };
    if (m_depth > 0)
        work();
    else
        inTransaction(work);
    return key;
}

void PositionsTable::insertAll(const QList<Position> &positions)
{
    const auto work = [&] {
        qsizetype next = 0;
        // Many rows a statement: the engine then keeps the table's counter
        // of keys once for them all rather than once a row.
        for (; positions.size() - next >= kRowsAStatement; next += kRowsAStatement) {
            if (!m_insertMany)
                m_insertMany =
                    std::make_unique<Statement>(m_working, insertStatement(kRowsAStatement));
            try {
                for (int row = 0; row < kRowsAStatement; ++row)
                    bindAll(*m_insertMany, positions[next + row], row * FieldCount);
                m_insertMany->run();
            } catch (...) {
                m_insertMany.reset();
                throw;
            }
            // The rows of one statement take keys one after another.
            const qint64 last = sqlite3_last_insert_rowid(m_working.engine());
            for (qint64 key = last - kRowsAStatement + 1; key <= last; ++key)
                touched(key);
        }
        for (; next < positions.size(); ++next)
            insert(positions[next]);
    };
    if (m_depth > 0)
        work();
    else
        inTransaction(work);
}

void PositionsTable::update(qint64 key, const QList<Field> &fields, const QVariantList &values)
{
    if (fields.isEmpty())
        return;
    if (fields.size() != values.size())
        throw AppError(QStringLiteral("Число значений не совпадает с числом столбцов."));
    // Bulk work (reconciliation) calls this once a position inside one
    // transaction: the statement is prepared once for the fields it writes
    // and kept until the transaction ends, and a single statement needs no
    // savepoint of its own.
    const auto work = [&] {
        if (!m_update || m_updateFields != fields) {
            QStringList assignments;
            for (const Field field : fields)
                assignments << columnName(field) + QStringLiteral(" = ?");
            m_update.reset();
            m_update = std::make_unique<Statement>(
                m_working,
                QStringLiteral("UPDATE data SET %1 WHERE %2 = ?")
                    .arg(assignments.join(QStringLiteral(", ")), QLatin1String(Schema::kRowKey)));
            m_updateFields = fields;
        }
        Statement &update = *m_update;
        try {
            for (int place = 0; place < values.size(); ++place)
                update.bind(place, values[place]);
            update.bind(int(values.size()), key);
            update.run();
        } catch (...) {
            // A statement that failed half-way is not used again.
            m_update.reset();
            throw;
        }
        touched(key);
    };
    if (m_depth > 0)
        work();
    else
        inTransaction(work);
}

void PositionsTable::update(const Position &position)
{
    QList<Field> fields;
    QVariantList values;
    for (int field = 0; field < FieldCount; ++field) {
        fields << Field(field);
        values << value(position, Field(field));
    }
    update(position.key, fields, values);
}

void PositionsTable::remove(qint64 key)
{
    inTransaction([&] {
        Statement remove(
            m_working,
            QStringLiteral("DELETE FROM data WHERE %1 = ?").arg(QLatin1String(Schema::kRowKey)));
        remove.bind(0, key);
        remove.run();
        touched(key);
    });
}

void PositionsTable::replaceAll(const QList<Position> &positions,
                                const std::function<void(int done)> &progress)
{
    inTransaction([&] {
        m_working.exec(QStringLiteral("DELETE FROM data"));
        Statement insert(m_working, insertStatement());
        int done = 0;
        for (const Position &position : positions) {
            bindAll(insert, position);
            insert.run();
            if (progress)
                progress(++done);
        }
        touchedAll();
    });
}

PositionsChange PositionsTable::record(const std::function<void()> &work)
{
    if (m_recording) {
        inTransaction(work);
        return {};
    }
    m_working.open();
    sqlite3_session *session = nullptr;
    if (sqlite3session_create(m_working.engine(), "main", &session) != SQLITE_OK ||
        sqlite3session_attach(session, "data") != SQLITE_OK) {
        sqlite3session_delete(session);
        throw AppError(QStringLiteral("Не удалось начать запись правки спецификации."),
                       m_working.file());
    }
    m_recording = session;
    const auto stop = [&] {
        m_recording = nullptr;
        sqlite3session_delete(session);
    };
    try {
        inTransaction(work);
    } catch (...) {
        stop();
        throw;
    }
    int size = 0;
    void *buffer = nullptr;
    const int status = sqlite3session_changeset(session, &size, &buffer);
    stop();
    if (status != SQLITE_OK)
        throw AppError(QStringLiteral("Не удалось записать правку спецификации."),
                       m_working.file());
    PositionsChange change(QByteArray(static_cast<const char *>(buffer), size));
    sqlite3_free(buffer);
    return change;
}

namespace {

// Undo and redo go back and forth over the same rows, which nothing else
// changes meanwhile; should a row differ all the same, the change wins, and
// a row already gone is passed over.
int onConflict(void *, int conflict, sqlite3_changeset_iter *)
{
    return conflict == SQLITE_CHANGESET_DATA || conflict == SQLITE_CHANGESET_CONFLICT
               ? SQLITE_CHANGESET_REPLACE
               : SQLITE_CHANGESET_OMIT;
}

} // namespace

void PositionsTable::apply(const PositionsChange &change)
{
    if (change.isEmpty())
        return;
    inTransaction([&] {
        // Statements kept for the transaction would hold rows the change
        // rewrites.
        dropKeptStatements();
        QByteArray bytes = change.bytes();
        if (sqlite3changeset_apply(m_working.engine(), int(bytes.size()), bytes.data(), nullptr,
                                   onConflict, nullptr) != SQLITE_OK)
            throw AppError(QStringLiteral("Не удалось применить правку спецификации: %1.")
                               .arg(SqliteErrors::reason(
                                   sqlite3_extended_errcode(m_working.engine()),
                                   QString::fromUtf8(sqlite3_errmsg(m_working.engine())))),
                           m_working.file());
        touchedAll();
    });
}

// Savepoints nest, inside one another and inside a transaction that the
// caller began on the same connection.
void PositionsTable::begin()
{
    m_working.open();
    if (m_depth++ == 0) {
        m_changed = false;
        m_touched = {};
    }
    m_working.exec(QStringLiteral("SAVEPOINT positions"));
}

void PositionsTable::commit()
{
    if (m_depth == 1) {
        dropKeptStatements();
    }
    m_working.exec(QStringLiteral("RELEASE positions"));
    if (--m_depth == 0 && m_changed) {
        m_changed = false;
        m_lastTouched = std::exchange(m_touched, {});
        emit changed();
    }
}

void PositionsTable::rollback()
{
    try {
        m_working.exec(QStringLiteral("ROLLBACK TO positions"));
        m_working.exec(QStringLiteral("RELEASE positions"));
    } catch (const AppError &) {
        // The error that brought us here is the one to report.
    }
    if (--m_depth == 0) {
        m_changed = false;
        m_touched = {};
        dropKeptStatements();
    }
}

void PositionsTable::dropKeptStatements()
{
    m_update.reset();
    m_insert.reset();
    m_insertMany.reset();
}

void PositionsTable::touched(qint64 key)
{
    m_changed = true;
    // Past a few hundred rows a reader reads them all again anyway.
    constexpr qsizetype kFewRows = 256;
    if (m_touched.all)
        return;
    if (m_touched.keys.size() >= kFewRows)
        touchedAll();
    else if (!m_touched.keys.contains(key))
        m_touched.keys.append(key);
}

void PositionsTable::touchedAll()
{
    m_changed = true;
    m_touched.all = true;
    m_touched.keys.clear();
}

void PositionsTable::replaceAllFrom(const QString &databaseFile)
{
    // Attaching a missing file would make an empty database of it.
    Database::checkFile(databaseFile);
    m_working.open();
    m_working.exec(QStringLiteral("ATTACH DATABASE ? AS crashed"), {databaseFile});
    try {
        inTransaction([&] {
            m_working.exec(QStringLiteral("DELETE FROM data"));
            m_working.exec(QStringLiteral("INSERT INTO data (%1) SELECT %1 FROM crashed.data "
                                          "ORDER BY %2")
                               .arg(selectList(), QLatin1String(Schema::kRowKey)));
            touchedAll();
        });
    } catch (...) {
        try {
            m_working.exec(QStringLiteral("DETACH DATABASE crashed"));
        } catch (const AppError &) {
            // The error that brought us here is the one to report.
        }
        throw;
    }
    m_working.exec(QStringLiteral("DETACH DATABASE crashed"));
}
