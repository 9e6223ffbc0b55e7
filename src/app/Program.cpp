#include "Program.h"

#include "CadLink.h"
#include "CatalogueEditor.h"
#include "ComponentPicker.h"
#include "EditorWindow.h"
#include "ErrorReport.h"
#include "GroupOrder.h"
#include "GroupOrderDialog.h"
#include "PickerFilter.h"
#include "PositionsModel.h"
#include "Reconciliation.h"
#include "RowsGrid.h"
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
    m_catalogueEditor = std::make_unique<CatalogueEditor>(m_session, m_prompts);
    m_picker = std::make_unique<ComponentPicker>(m_session, m_prompts);
    m_groupOrderDialog = std::make_unique<GroupOrderDialog>(m_session, m_prompts);
    // The group order list is the first use of the catalogue; a catalogue
    // that start-up already found wanting is not reported twice.
    if (m_problems.isEmpty() || m_problems.first().file() != m_session.catalogueFile()) {
        try {
            m_session.setGroupOrder(GroupOrder::load(m_session.catalogue()));
        } catch (const AppError &problem) {
            m_problems << problem;
        }
    }

    connect(m_startWindow.get(), &StartWindow::activated, this, &Program::openCommandLineFile);
    connect(m_startWindow.get(), &StartWindow::editRequested, this, &Program::showEditor);
    connect(m_editorWindow.get(), &EditorWindow::activated, m_startWindow.get(),
            &StartWindow::enableEditing);
    const auto showStartWindow = [this] {
        m_startWindow->setEnabled(true);
        m_startWindow->show();
        m_startWindow->activateWindow();
    };
    connect(m_editorWindow.get(), &EditorWindow::left, this, showStartWindow);
    connect(m_startWindow.get(), &StartWindow::catalogueRequested, this,
            &Program::openCatalogueEditor);
    connect(m_catalogueEditor.get(), &CatalogueEditor::left, this, showStartWindow);
    connect(m_startWindow.get(), &StartWindow::groupsRequested, m_groupOrderDialog.get(),
            &GroupOrderDialog::open);
    connect(m_editorWindow.get(), &EditorWindow::pickerRequested, this, &Program::openPicker);
    connect(m_picker.get(), &ComponentPicker::closed, this, [this](bool changed) {
        m_editorWindow->setEnabled(true);
        if (changed)
            m_editorWindow->refreshPositions();
        m_editorWindow->activateWindow();
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

void Program::openCatalogueEditor()
{
    m_startWindow->hide();
    m_catalogueEditor->open();
}

void Program::openPicker()
{
    if (m_session.pickerGroupList().size() <= 1)
        ErrorReport::guard([this] {
            m_session.setPickerGroupList(PickerFilter::groupList(m_session.catalogue()));
        });
    m_editorWindow->setEnabled(false);
    m_picker->pickFor(*m_editorWindow->positions(), m_editorWindow->grid()->currentIndex().row());
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
        Reconciliation::reconcile(m_session);
    });
    if (!opened)
        return;
    m_startWindow->enableEditing();
    // The start window stays visible behind the editor.
    m_editorWindow->show();
    m_editorWindow->raise();
    m_editorWindow->activateWindow();
}
