#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

class QSqlError;

struct sqlite3;

// One connection to an SQLite database file through Qt SQL. It is opened and
// closed explicitly; a missing file is reported, never created empty in its
// place. Every value goes into a statement as a bound parameter, and every
// statement is plain SQL that any SQLite tool runs as well; opening readies
// the schema (Schema::prepare).
class Database {
public:
    explicit Database(QString connectionName);
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    void setFile(const QString &path);
    const QString &file() const { return m_file; }

    // Whether reads go through a memory map of the file, as they do unless
    // told otherwise: it spares a system call for every page read, but each
    // page read stays in the process's memory while the map holds it. Takes
    // effect at the next open.
    void setMemoryMapped(bool mapped) { m_memoryMapped = mapped; }
    // Whether commits go to a log beside the file (SQLite's write-ahead
    // log) that reaches the disk only now and again, rather than each
    // waiting for the disk: a program that dies loses no commit, a machine
    // that loses power only the last few, never the file. Takes effect at
    // the next open.
    void setCommitsLogged(bool logged) { m_commitsLogged = logged; }

    // Opens the existing file; throws AppError naming the file when it is
    // missing, unreadable or not a database this program can use.
    void open();
    // Makes a new empty database file (build tool, templates, tests).
    void create();
    void close();
    bool isOpen() const;

    QSqlDatabase connection() const;
    // The engine's own handle of the open connection, for statements that
    // bypass Qt SQL (Statement).
    sqlite3 *engine() const;

    // Runs one statement with its values bound in order, through Statement,
    // so that text comes back exactly as it went in; the rows are all read
    // before it returns.
    QSqlQuery exec(const QString &sql, const QVariantList &values = {}) const;
    // The first column of the first row, or a null QVariant when no row.
    QVariant scalar(const QString &sql, const QVariantList &values = {}) const;
    // A prepared statement to run many times with execPrepared(). Its values
    // are bound by Qt SQL as UTF-16, which loses a leading U+FEFF of a text:
    // it is meant for data that the program makes itself.
    QSqlQuery prepare(const QString &sql) const;
    void execPrepared(QSqlQuery &query) const;

    // Runs work in one transaction: all of it or, when it throws, none.
    template <typename Work> void inTransaction(Work &&work) const
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

    // Checks that path names a readable SQLite database; throws AppError
    // naming the file otherwise (missing, unreadable, an Access/Jet file).
    static void checkFile(const QString &path);

private:
    void connect(bool mayCreate);
    [[noreturn]] void fail(const QString &what, const QString &engineMessage) const;
    // what, then the engine's reason in Russian.
    [[noreturn]] void fail(const QString &what, const QSqlError &error) const;
    void begin() const;
    void commit() const;
    void rollback() const;

    QString m_connectionName;
    QString m_file;
    // The file the connection reads, to notice another file put in its place.
    QByteArray m_fileIdentity;
    bool m_memoryMapped = true;
    bool m_commitsLogged = false;
};

// A pass over a whole database reads, or writes, every page of the file
// once: through the engine's cache, not a memory map, where each page
// touched would stay in the process's memory for as long as the map holds
// it. The map comes back when the pass ends.
class Unmapped {
public:
    explicit Unmapped(const Database &db);
    ~Unmapped();
    Unmapped(const Unmapped &) = delete;
    Unmapped &operator=(const Unmapped &) = delete;

private:
    const Database &m_db;
    qint64 m_mapped;
};
