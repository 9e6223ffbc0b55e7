#include "BridgeCadLink.h"

#include "AppError.h"
#include "CadWait.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>

#ifdef Q_OS_UNIX
#include <csignal>
#include <unistd.h>
#endif

namespace {

constexpr int kQuickMs = 10'000;
// How long the windows may go without a repaint while the bridge works.
constexpr int kPollMs = 40;
// Starting a CAD program takes its time.
constexpr int kStartMs = 120'000;

const QString kAttaching = QStringLiteral("Подключение к программе САПР…");

void stop(QProcess &process)
{
#ifdef Q_OS_UNIX
    if (process.processId() > 0)
        ::kill(-pid_t(process.processId()), SIGKILL);
#endif
    process.kill();
    process.waitForFinished(1000);
}

} // namespace

BridgeCadLink::BridgeCadLink(QString bridgeProgram) : m_program(std::move(bridgeProgram)) {}

BridgeCadLink::Outcome BridgeCadLink::run(const QStringList &arguments, int timeoutMs,
                                          const QString &what) const
{
    Outcome outcome;
    QProcess process;
#ifdef Q_OS_UNIX
    // A group of its own, so that stopping the bridge stops what it started.
    process.setChildProcessModifier([] { ::setpgid(0, 0); });
#endif
    process.start(m_program, arguments);
    if (!process.waitForStarted(kQuickMs)) {
        const QFileInfo program(m_program);
        outcome.error = !program.exists() && QStandardPaths::findExecutable(m_program).isEmpty()
                            ? QStringLiteral("программа связи не найдена")
                        : program.exists() && !program.isExecutable()
                            ? QStringLiteral("нет прав на запуск программы связи")
                            : QStringLiteral("программа связи не запускается");
        return outcome;
    }
    process.closeWriteChannel();
    if (!waitForAnswer(process, timeoutMs, what)) {
        stop(process);
        outcome.error = QStringLiteral("программа связи не ответила вовремя");
        return outcome;
    }
    outcome.output = QString::fromUtf8(process.readAllStandardOutput());
    outcome.error = QString::fromUtf8(process.readAllStandardError()).trimmed();
    outcome.ok = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (!outcome.ok && outcome.error.isEmpty())
        outcome.error = QStringLiteral("код завершения %1").arg(process.exitCode());
    return outcome;
}

bool BridgeCadLink::waitForAnswer(QProcess &process, int timeoutMs, const QString &what) const
{
    CadWait *const shown = wait();
    if (!shown)
        return process.waitForFinished(timeoutMs);
    // Short waits, between which the program repaints its windows and the
    // user may call the wait off, so that a slow CAD program never freezes
    // them.
    shown->begin(what);
    const auto end = qScopeGuard([shown] { shown->end(); });
    QElapsedTimer clock;
    clock.start();
    while (process.state() != QProcess::NotRunning) {
        if (process.waitForFinished(kPollMs))
            break;
        if (clock.hasExpired(timeoutMs))
            return false;
        if (!shown->proceed()) {
            stop(process);
            throw Cancelled();
        }
    }
    return true;
}

void BridgeCadLink::fail(const QString &what, const Outcome &outcome) const
{
    throw AppError(what + QStringLiteral("\n") + outcome.error, m_program);
}

bool BridgeCadLink::attachQuietly()
{
    try {
        m_attached = run({QStringLiteral("attach")}, kQuickMs, kAttaching).ok;
    } catch (const Cancelled &) {
        m_attached = false;
    }
    return m_attached;
}

void BridgeCadLink::attachOrStart()
{
    if (run({QStringLiteral("attach")}, kQuickMs, kAttaching).ok) {
        m_attached = true;
        return;
    }
    const Outcome started =
        run({QStringLiteral("start")}, kStartMs, QStringLiteral("Запуск программы САПР…"));
    if (!started.ok)
        fail(QStringLiteral("Не удалось подключиться к программе САПР или запустить её."), started);
    m_attached = true;
}

void BridgeCadLink::makeVisible()
{
    // The bridge shows the CAD program whenever it attaches to it.
    const Outcome outcome = run({QStringLiteral("attach")}, kQuickMs, kAttaching);
    if (!outcome.ok)
        fail(QStringLiteral("Программа САПР не отвечает."), outcome);
}

QString BridgeCadLink::activeDrawingFullName()
{
    const Outcome outcome = run({QStringLiteral("fullname")}, kQuickMs,
                                QStringLiteral("Программа САПР называет активный чертёж…"));
    if (!outcome.ok)
        fail(QStringLiteral("Не удалось узнать имя активного чертежа."), outcome);
    return outcome.output.trimmed();
}

void BridgeCadLink::sendCommand(const QString &commandLine)
{
    const Outcome outcome = run({QStringLiteral("send"), commandLine}, kQuickMs,
                                QStringLiteral("Передача команды в программу САПР…"));
    if (!outcome.ok)
        fail(QStringLiteral("Не удалось передать команду в программу САПР."), outcome);
}
