#include "Program.h"

#include "CadLink.h"
#include "EditorWindow.h"
#include "ErrorReport.h"
#include "SpecificationFile.h"
#include "StartWindow.h"

#include <QFileInfo>

Program::Program(const StartUpPlace &place, Prompts *prompts)
    : m_prompts(prompts ? *prompts : m_widgetPrompts),
      m_cad(CadLink::create(m_settings.cadBridge()))
{
    m_problems = startUp(m_session, m_settings, *m_cad, place);
    m_startWindow = std::make_unique<StartWindow>(m_session, *m_cad);
    m_editorWindow = std::make_unique<EditorWindow>(m_session, m_settings, m_prompts);

    connect(m_startWindow.get(), &StartWindow::activated, this, &Program::openCommandLineFile);
    connect(m_startWindow.get(), &StartWindow::editRequested, this, &Program::showEditor);
    connect(m_editorWindow.get(), &EditorWindow::activated, m_startWindow.get(),
            &StartWindow::enableEditing);
    connect(m_editorWindow.get(), &EditorWindow::left, this, [this] {
        m_startWindow->setEnabled(true);
        m_startWindow->show();
        m_startWindow->activateWindow();
    });
}

Program::~Program()
{
    m_startWindow->leaveProgram();
}

void Program::showEditor()
{
    m_startWindow->hide();
    m_editorWindow->show();
    m_editorWindow->raise();
    m_editorWindow->activateWindow();
}

void Program::openCommandLineFile()
{
    const QString file = m_session.commandLineFile();
    if (file.isEmpty() || !QFileInfo(file).isFile())
        return;
    m_session.setCommandLineFile({});
    const bool opened = ErrorReport::guard([&] {
        SpecificationFile::read(m_session, file);
        m_session.setSpecificationName(file);
        m_session.setModified(false);
    });
    if (!opened)
        return;
    m_startWindow->enableEditing();
    // The start window stays visible behind the editor.
    m_editorWindow->show();
    m_editorWindow->raise();
    m_editorWindow->activateWindow();
}
