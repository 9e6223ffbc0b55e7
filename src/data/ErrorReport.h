#pragma once

#include <QString>
#include <functional>

// The general error handler: every error that ends a command arrives here,
// the program shows it in a message box with OK and runs on. The program
// installs the message box; tests install a collector.
namespace ErrorReport {

using Sink = std::function<void(const QString &message)>;
void setSink(Sink sink);
void show(const QString &message);

// Runs a command; an error that ends it is shown, not passed on, and a
// cancel (Cancelled) ends it without a word. Returns false when the command
// ended with an error or was cancelled. Every slot of a window that
// may fail runs its work through this, so that no exception crosses Qt.
bool guard(const std::function<void()> &command);

} // namespace ErrorReport
