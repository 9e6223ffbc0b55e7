#pragma once

#include <QString>

// What the program shows while the CAD link waits for the CAD program, so
// that the link needs no widgets: the program shows the wait and lets the
// user call it off, the command-line tool waits without a word.
class CadWait {
public:
    virtual ~CadWait() = default;

    // A wait for the CAD program to do what begins.
    virtual void begin(const QString &what) = 0;
    // Called again and again, a few times a second, while the wait lasts:
    // lets the windows repaint; false once the user has called the wait off.
    virtual bool proceed() = 0;
    // The wait is over: answered, timed out or called off.
    virtual void end() = 0;
};
