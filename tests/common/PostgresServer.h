#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A PostgreSQL server of a test's own: a fresh cluster in a temporary folder,
// listening only on a Unix socket in that folder, stopped and removed when
// the object goes. The server refuses to run as root, so under root the
// cluster belongs to an unprivileged user and the server runs as that user.
class PostgresServer {
public:
    PostgresServer();
    ~PostgresServer();
    PostgresServer(const PostgresServer &) = delete;
    PostgresServer &operator=(const PostgresServer &) = delete;

    // Whether the server runs; when not, why (no PostgreSQL installed, the
    // cluster or the server would not start), for QSKIP or QFAIL.
    bool isRunning() const { return m_running; }
    const QString &failure() const { return m_failure; }

    // The folder of the socket (libpq's host), the port and the user that
    // owns the cluster and may do anything in it, without a password.
    QString socketFolder() const;
    int port() const { return m_port; }
    QString user() const { return QStringLiteral("kvintor"); }

    // Makes an empty database; returns its address for the program
    // (postgresql://user@host:port/name, the host being the socket folder,
    // percent-encoded).
    QString createDatabase(const QString &name);
    // A statement run by psql in a database as the cluster's owner; returns
    // what psql printed, or throws nothing and returns "error: …".
    QString psql(const QString &database, const QString &sql) const;

    // Stops the server at once, as a crash would (pg_ctl stop -m immediate),
    // keeping what was committed, and starts it again; false, failure()
    // set, when it would not.
    bool stop();
    bool start();

    // How a write is taken away from under the program.
    enum class Interruption {
        EndConnection, // another connection runs pg_terminate_backend on its own
        StopServer,    // the server stopped at once
    };
    // Starts, and returns at once, a watcher that waits until a connection
    // of the program (application_name "kvintor") waits for a lock, which
    // the test holds in a transaction of its own, and then interrupts it.
    void interruptWhenWaiting(Interruption how);
    // Waits for the watcher; false when it found no waiting connection or
    // could not interrupt it.
    bool interrupted();

    // The folder of the server's programs (initdb, pg_ctl, psql), or empty.
    static QString programFolder();

private:
    QString run(const QString &program, const QStringList &arguments, bool *ok) const;
    // The command line that runs program of the server as the cluster's user.
    QStringList asServerUser(const QString &program, const QStringList &arguments) const;

    QTemporaryDir m_folder;
    QString m_programs;
    QString m_osUser; // empty: the server runs as this process's user
    int m_port = 0;
    bool m_running = false;
    QString m_failure;
    QProcess m_watcher;
    Interruption m_interruption = Interruption::EndConnection;
};
