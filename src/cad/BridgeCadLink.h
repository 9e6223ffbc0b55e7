#pragma once

#include "CadLink.h"

#include <QStringList>

class QProcess;

// The link through a bridge program that speaks to the CAD program:
//   BRIDGE attach      attach to a running CAD program and show it
//   BRIDGE start       start the CAD program and show it
//   BRIDGE fullname    print the active drawing's full path (empty: no file)
//   BRIDGE send TEXT   type TEXT into the CAD program's command line
// Exit status 0 means success; what the bridge writes to its error output
// goes into the message the user reads.
class BridgeCadLink final : public CadLink {
public:
    explicit BridgeCadLink(QString bridgeProgram);

    bool attachQuietly() override;
    void attachOrStart() override;
    void makeVisible() override;
    QString activeDrawingFullName() override;
    void sendCommand(const QString &commandLine) override;
    void release() override { m_attached = false; }

    bool isAttached() const { return m_attached; }

private:
    struct Outcome {
        bool ok = false;
        QString output;
        QString error;
    };
    // Runs the bridge; what tells the user what it waits for.
    Outcome run(const QStringList &arguments, int timeoutMs, const QString &what) const;
    // False when the bridge has not finished within timeoutMs. Throws
    // Cancelled when the user calls the wait off.
    bool waitForAnswer(QProcess &process, int timeoutMs, const QString &what) const;
    [[noreturn]] void fail(const QString &what, const Outcome &outcome) const;

    QString m_program;
    bool m_attached = false;
};
