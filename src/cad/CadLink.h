#pragma once

#include <QString>
#include <memory>

class CadWait;

// The program's reach into the CAD program that holds the drawing. It never
// reads drawing contents: it learns the active drawing's file and types
// command lines into the CAD program.
class CadLink {
public:
    virtual ~CadLink() = default;

    // Attaches to a running CAD program and makes it visible. Every failure
    // (none running, no drawing) is swallowed: false and no message.
    virtual bool attachQuietly() = 0;
    // Attaches to a running CAD program or starts one and makes it visible.
    // Throws AppError with a message for the user when neither works.
    virtual void attachOrStart() = 0;
    // Brings the attached CAD program's window to the front.
    virtual void makeVisible() = 0;
    // Full path of the active drawing, empty when the drawing has no file.
    // Throws AppError when the CAD program does not answer.
    virtual QString activeDrawingFullName() = 0;
    // Types one command line into the CAD program.
    virtual void sendCommand(const QString &commandLine) = 0;
    // Lets go of the CAD program; the program itself keeps running.
    virtual void release() = 0;

    // Shows every wait for the CAD program through wait (not owned; null:
    // wait without a word). A wait the user calls off ends the call with
    // Cancelled, after the CAD program's bridge has been stopped.
    void setWait(CadWait *wait) { m_wait = wait; }

    // The link that the settings ask for: a bridge program when bridgeProgram
    // names one, otherwise the link to no CAD program.
    static std::unique_ptr<CadLink> create(const QString &bridgeProgram);

protected:
    CadWait *wait() const { return m_wait; }

private:
    CadWait *m_wait = nullptr;
};
