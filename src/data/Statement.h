#pragma once

#include <QString>
#include <QVariant>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

class Database;

// A prepared statement straight on the engine, for bulk work where Qt SQL's
// per-row bookkeeping would cost more than the statement itself (look-ups by
// name over a whole specification). It shares the connection, and so the
// transactions, of the Database it was made from. Values are bound, never
// put into the text.
class Statement {
public:
    Statement(const Database &db, const QString &sql);
    // On a connection of the engine's own that file names, for reads that
    // run beside the Database's connection in threads of their own.
    Statement(sqlite3 *engine, const QString &file, const QString &sql);
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    // Places count from 0. A null QString binds NULL. Text goes to the engine
    // as UTF-8 and comes back as it went in, a leading U+FEFF included.
    void bind(int place, const QString &value);
    // Text that is UTF-8 already, such as a folded key.
    void bindUtf8(int place, std::string_view value);
    void bind(int place, double value);
    void bind(int place, qint64 value);
    void bindNull(int place);
    // A value as Qt holds it: null, whole number (a bool too, as Qt SQL
    // binds it), real number or text.
    void bind(int place, const QVariant &value);

    // Steps to the next row; false when there is none. The first step after
    // binding runs the statement; reset() makes it ready to run again.
    bool next();
    void reset();
    // Runs a statement that returns no rows, then resets it.
    void run();

    // The columns of the rows, named as the statement names them.
    int columnCount() const;
    QString columnName(int column) const;

    bool isNull(int column) const;
    QString text(int column) const;
    // The column's text as the engine holds it, UTF-8, valid until the next
    // step; empty for NULL.
    std::string_view utf8(int column) const;
    double real(int column) const;
    qint64 integer(int column) const;
    // The column as Qt SQL would give it: null, integer, real or text.
    QVariant value(int column) const;

private:
    [[noreturn]] void fail() const;

    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_statement = nullptr;
    // The UTF-8 of the text bound to each place, kept until the place is
    // bound again, so that the engine reads it where it stands rather than
    // copying it for every row.
    struct BoundText {
        QString source;
        QByteArray utf8;
    };
    std::vector<BoundText> m_texts;
    QString m_file;
    bool m_done = false;
};
