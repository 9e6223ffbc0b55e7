#include "Program.h"

#include "CadLink.h"
#include "CatalogueEditor.h"
#include "ComponentPicker.h"
#include "EditorWindow.h"
#include "GroupOrder.h"
#include "GroupOrderDialog.h"
#include "PositionsModel.h"
#include "RowsGrid.h"
#include "SpecificationCommands.h"
#include "StartWindow.h"

#include <QFileInfo>
#include <QToolButton>

Program::Program(const StartUpPlace &place, Prompts *prompts)
    : m_prompts(prompts ? *prompts : m_widgetPrompts),
      m_cad(CadLink::create(m_settings.cadBridge()))
{
    m_place = place;
    m_problems = startUp(m_session, m_settings, *m_cad, place);
    m_startWindow = std::make_unique<StartWindow>(m_session, *m_cad);
    if (m_session.workingDatabasePath().isEmpty())
        m_startWindow->disableSpecificationCommands();
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
    connect(m_startWindow.get(), &StartWindow::openRequested, this, &Program::openSpecification);
    connect(m_startWindow.get(), &StartWindow::createRequested, this,
            &Program::createSpecification);
    connect(&m_session, &Session::specificationNameChanged, m_editorWindow.get(),
            [this](const QString &name) {
                m_editorWindow->setWindowTitle(SpecificationCommands::editorCaption(name));
            });
    QToolButton *save = m_editorWindow->commandButton(QStringLiteral("SpeedButton5"));
    connect(&m_session, &Session::modifiedChanged, save, &QToolButton::setEnabled);
    connect(save, &QToolButton::clicked, this,
            [this] { SpecificationCommands::save(m_session, m_prompts); });
    connect(m_editorWindow->commandButton(QStringLiteral("SpeedButton9")), &QToolButton::clicked,
            this, [this] {
                SpecificationCommands::saveGroup(m_session, m_prompts,
                                                 m_editorWindow->groupFilterText());
            });
    m_startWindow->setLeaveGuard([this] {
        return SpecificationCommands::saveOnLeaving(m_session, m_prompts) ==
               SpecificationCommands::Outcome::Done;
    });
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
    m_editorWindow->setEnabled(false);
    m_picker->pickFor(*m_editorWindow->positions(), m_editorWindow->grid()->currentIndex().row());
}

void Program::openSpecification()
{
    // The open dialog starts beside the drawing when a CAD program has one.
    QString folder = m_place.programFolder;
    if (m_cad->attachQuietly()) {
        try {
            const QString drawing = m_cad->activeDrawingFullName();
            if (!drawing.isEmpty())
                folder = QFileInfo(drawing).absolutePath();
        } catch (const AppError &) {
            // Quietly: the program folder serves.
        }
    }
    if (SpecificationCommands::open(m_session, m_prompts, folder) !=
        SpecificationCommands::Outcome::Done)
        return;
    m_editorWindow->refreshPositions();
    showEditor();
}

void Program::createSpecification()
{
    if (SpecificationCommands::create(m_session, m_prompts) != SpecificationCommands::Outcome::Done)
        return;
    m_editorWindow->refreshPositions();
    showEditor();
}

void Program::openCommandLineFile()
{
    if (m_opening || m_session.commandLineFile().isEmpty() ||
        m_session.workingDatabasePath().isEmpty())
        return;
    // Tried once: a bad file is reported once, not at every activation.
    m_opening = true;
    const auto outcome = SpecificationCommands::openFromCommandLine(m_session, m_prompts);
    m_session.setCommandLineFile({});
    m_opening = false;
    if (outcome != SpecificationCommands::Outcome::Done)
        return;
    m_editorWindow->refreshPositions();
    m_startWindow->enableEditing();
    // The start window stays visible behind the editor.
    m_editorWindow->show();
    m_editorWindow->raise();
    m_editorWindow->activateWindow();
}
