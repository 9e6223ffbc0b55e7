#pragma once

#include "AppError.h"
#include "Session.h"
#include "Settings.h"
#include "StartUp.h"
#include "WidgetPrompts.h"

#include <QObject>
#include <memory>

class CadLink;
class EditorWindow;
class StartWindow;

// One running copy of the program: the session, the settings, the CAD link
// and the windows, created in their order and wired together so that no
// window reaches into another.
class Program : public QObject {
    Q_OBJECT

public:
    Program(const StartUpPlace &place, Prompts *prompts = nullptr);
    ~Program() override;

    Session &session() { return m_session; }
    StartWindow &startWindow() { return *m_startWindow; }
    EditorWindow &editorWindow() { return *m_editorWindow; }
    // What start-up found wrong, each naming its file.
    const QList<AppError> &startUpProblems() const { return m_problems; }

    // Opens the command-line file at the start window's first activation.
    void openCommandLineFile();
    // Shows the editor in front of the start window.
    void showEditor();

private:
    Settings m_settings;
    WidgetPrompts m_widgetPrompts;
    Prompts &m_prompts;
    std::unique_ptr<CadLink> m_cad;
    Session m_session;
    QList<AppError> m_problems;
    std::unique_ptr<StartWindow> m_startWindow;
    std::unique_ptr<EditorWindow> m_editorWindow;
};
