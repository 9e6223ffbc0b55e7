#pragma once

#include <QApplication>

// The application object. Errors that escape an event handler end that
// command only: they reach the general error handler and the program runs on.
class Application : public QApplication {
public:
    Application(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;

    // Qt's own texts (dialog buttons, file dialogs, context menus) from its
    // Russian translation; false when the translation is not installed.
    static bool installRussianTranslation();
};
