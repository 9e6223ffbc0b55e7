#include "PostgresServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QUrl>
#include <QVersionNumber>
#include <pwd.h>
#include <unistd.h>

namespace {

// The user the server runs as when the tests run as root: one that every
// Debian system has and that owns nothing else.
constexpr const char *kUnprivilegedUser = "nobody";

} // namespace

QString PostgresServer::programFolder()
{
    // Debian keeps the server's programs out of PATH, a folder per major
    // version; the newest serves.
    const QDir versions(QStringLiteral("/usr/lib/postgresql"));
    QVersionNumber newest;
    QString folder;
    for (const QString &name : versions.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QVersionNumber version = QVersionNumber::fromString(name);
        const QString bin = versions.filePath(name + QStringLiteral("/bin"));
        if (!version.isNull() && version > newest &&
            QFile::exists(bin + QStringLiteral("/pg_ctl"))) {
            newest = version;
            folder = bin;
        }
    }
    return folder;
}

PostgresServer::PostgresServer() : m_programs(programFolder())
{
    if (m_programs.isEmpty()) {
        m_failure =
            QStringLiteral("PostgreSQL server programs not found under /usr/lib/postgresql");
        return;
    }
    if (!m_folder.isValid()) {
        m_failure = QStringLiteral("no temporary folder: ") + m_folder.errorString();
        return;
    }
    if (geteuid() == 0) {
        const passwd *account = getpwnam(kUnprivilegedUser);
        if (!account) {
            m_failure = QStringLiteral("no unprivileged user to run the server as");
            return;
        }
        m_osUser = QString::fromLocal8Bit(kUnprivilegedUser);
        // The cluster's folder must be the server user's; the socket goes
        // into the same folder, which root reaches all the same.
        if (chown(QFile::encodeName(m_folder.path()).constData(), account->pw_uid,
                  account->pw_gid) != 0) {
            m_failure = QStringLiteral("cannot give the temporary folder to ") + m_osUser;
            return;
        }
    }
    bool ok = false;
    const QString data = m_folder.filePath(QStringLiteral("data"));
    const QString initOutput =
        run(QStringLiteral("initdb"),
            {QStringLiteral("-D"), data, QStringLiteral("-U"), user(), QStringLiteral("-A"),
             QStringLiteral("trust"), QStringLiteral("-E"), QStringLiteral("UTF8"),
             QStringLiteral("--locale=C"), QStringLiteral("--no-sync")},
            &ok);
    if (!ok) {
        m_failure = QStringLiteral("initdb failed: ") + initOutput;
        return;
    }
    // A port of its own keeps the socket's name apart from another test's
    // server; the folder alone would do, the port costs nothing.
    m_port = 20000 + int(QRandomGenerator::global()->bounded(20000));
    start();
}

bool PostgresServer::start()
{
    bool ok = false;
    const QString options = QStringLiteral("-k %1 -p %2 -c listen_addresses='' -c fsync=off "
                                           "-c synchronous_commit=off -c full_page_writes=off")
                                .arg(m_folder.path())
                                .arg(m_port);
    const QString startOutput = run(
        QStringLiteral("pg_ctl"),
        {QStringLiteral("-D"), m_folder.filePath(QStringLiteral("data")), QStringLiteral("-l"),
         m_folder.filePath(QStringLiteral("server.log")), QStringLiteral("-o"), options,
         QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("60"), QStringLiteral("start")},
        &ok);
    if (!ok) {
        QFile log(m_folder.filePath(QStringLiteral("server.log")));
        log.open(QIODevice::ReadOnly);
        m_failure = QStringLiteral("pg_ctl start failed: ") + startOutput +
                    QString::fromLocal8Bit(log.readAll());
        return false;
    }
    m_running = true;
    return true;
}

bool PostgresServer::stop()
{
    psql(QStringLiteral("postgres"), QStringLiteral("CHECKPOINT"));
    bool ok = false;
    const QString output =
        run(QStringLiteral("pg_ctl"),
            {QStringLiteral("-D"), m_folder.filePath(QStringLiteral("data")), QStringLiteral("-m"),
             QStringLiteral("immediate"), QStringLiteral("-w"), QStringLiteral("stop")},
            &ok);
    if (!ok)
        m_failure = QStringLiteral("pg_ctl stop failed: ") + output;
    m_running = m_running && !ok;
    return ok;
}

PostgresServer::~PostgresServer()
{
    m_watcher.waitForFinished(30'000);
    if (m_running)
        stop();
}

void PostgresServer::interruptWhenWaiting(Interruption how)
{
    const auto quoted = [](const QString &text) { return u'\'' + text + u'\''; };
    const QString psql = QStringLiteral("%1 -X -q -A -t -h %2 -p %3 -U %4 -d postgres")
                             .arg(quoted(m_programs + QStringLiteral("/psql")),
                                  quoted(socketFolder()), QString::number(m_port), user());
    const QString waiting = QStringLiteral("FROM pg_stat_activity WHERE application_name = "
                                           "'kvintor' AND wait_event_type = 'Lock'");
    // A minute at most, in steps of 50 ms.
    QString script = QStringLiteral("n=0; until [ \"$(%1 -c \"SELECT count(*) %2\")\" -gt 0 ]; "
                                    "do n=$((n+1)); [ $n -gt 1200 ] && exit 1; sleep 0.05; done; ")
                         .arg(psql, waiting);
    if (how == Interruption::EndConnection) {
        script +=
            QStringLiteral("%1 -c \"SELECT pg_terminate_backend(pid) %2\"").arg(psql, waiting);
    } else {
        // What was committed stays, as on a server that commits
        // synchronously; this one does not, to be quick.
        script += psql + QStringLiteral(" -c CHECKPOINT; ");
        QStringList stop;
        for (const QString &word :
             asServerUser(m_programs + QStringLiteral("/pg_ctl"),
                          {QStringLiteral("-D"), m_folder.filePath(QStringLiteral("data")),
                           QStringLiteral("-m"), QStringLiteral("immediate"), QStringLiteral("-w"),
                           QStringLiteral("stop")}))
            stop << quoted(word);
        script += stop.join(u' ');
    }
    m_interruption = how;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_MESSAGES"), QStringLiteral("C"));
    m_watcher.setProcessEnvironment(environment);
    m_watcher.setProcessChannelMode(QProcess::MergedChannels);
    m_watcher.setWorkingDirectory(m_folder.path());
    m_watcher.start(QStringLiteral("sh"), {QStringLiteral("-c"), script});
}

bool PostgresServer::interrupted()
{
    const bool done = m_watcher.waitForFinished(90'000) &&
                      m_watcher.exitStatus() == QProcess::NormalExit && m_watcher.exitCode() == 0;
    if (!done)
        m_failure = QStringLiteral("the interruption failed: ") +
                    QString::fromLocal8Bit(m_watcher.readAll());
    if (done && m_interruption == Interruption::StopServer)
        m_running = false;
    return done;
}

QStringList PostgresServer::asServerUser(const QString &program, const QStringList &arguments) const
{
    if (m_osUser.isEmpty())
        return QStringList{program} + arguments;
    return QStringList{QStringLiteral("runuser"), QStringLiteral("-u"), m_osUser,
                       QStringLiteral("--"), program} +
           arguments;
}

QString PostgresServer::socketFolder() const
{
    return m_folder.path();
}

QString PostgresServer::createDatabase(const QString &name)
{
    psql(QStringLiteral("postgres"), QStringLiteral("CREATE DATABASE \"%1\"").arg(name));
    QUrl address;
    address.setScheme(QStringLiteral("postgresql"));
    address.setUserName(user());
    address.setHost(QStringLiteral("localhost"));
    address.setPort(m_port);
    address.setPath(QLatin1Char('/') + name);
    address.setQuery(QStringLiteral("host=") +
                     QString::fromLatin1(QUrl::toPercentEncoding(socketFolder())));
    return address.toString(QUrl::FullyEncoded);
}

QString PostgresServer::psql(const QString &database, const QString &sql) const
{
    bool ok = false;
    const QString output =
        run(QStringLiteral("psql"),
            {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-A"), QStringLiteral("-t"),
             QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-h"),
             socketFolder(), QStringLiteral("-p"), QString::number(m_port), QStringLiteral("-U"),
             user(), QStringLiteral("-d"), database, QStringLiteral("-c"), sql},
            &ok);
    return ok ? output.trimmed() : QStringLiteral("error: ") + output.trimmed();
}

QString PostgresServer::run(const QString &program, const QStringList &arguments, bool *ok) const
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    // The server's own messages in English, whatever the tests' locale.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_MESSAGES"), QStringLiteral("C"));
    process.setProcessEnvironment(environment);
    // The server's user may not enter the folder the tests run in.
    process.setWorkingDirectory(m_folder.path());
    const QString path = m_programs + QLatin1Char('/') + program;
    const QStringList command = program == QStringLiteral("psql") ? QStringList{path} + arguments
                                                                  : asServerUser(path, arguments);
    process.start(command.first(), command.mid(1));
    const bool finished = process.waitForFinished(120'000);
    *ok = finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return QString::fromLocal8Bit(process.readAll());
}
