#pragma once

#include <QString>
#include <functional>

class QWidget;

// The general error handler: every error that ends a command arrives here
// and is shown in a message box with OK; then the program runs on.
namespace ErrorHandler {

void show(const QString &message);

// Tests route messages elsewhere instead of into modal boxes.
using Sink = std::function<void(const QString &message)>;
void setSink(Sink sink);

} // namespace ErrorHandler
