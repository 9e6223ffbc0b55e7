#pragma once

// Shows the errors that end commands in a message box with OK.
namespace ErrorHandler {

// Routes ErrorReport into message boxes over the active window.
void installMessageBoxes();

} // namespace ErrorHandler
