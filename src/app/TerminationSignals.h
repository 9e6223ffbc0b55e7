#pragma once

#include <QObject>
#include <functional>

// Turns the signals with which a desktop session or a terminal ends a program
// (SIGTERM, SIGHUP, SIGINT) into an ordinary leave on the event loop, so the
// working database is deleted then too.
class TerminationSignals : public QObject {
public:
    explicit TerminationSignals(std::function<void()> onSignal, QObject *parent = nullptr);
};
