#include "Program.h"

#include "CadLink.h"
#include "Catalogue.h"
#include "CatalogueEditor.h"
#include "CatalogueUpdate.h"
#include "Combine.h"
#include "CombineDialog.h"
#include "ComponentPicker.h"
#include "DesktopOpen.h"
#include "DrawingExchange.h"
#include "DuplicatePositionDialog.h"
#include "EditorWindow.h"
#include "ErrorReport.h"
#include "FirmNameDialog.h"
#include "GroupOrder.h"
#include "GroupOrderDialog.h"
#include "Help.h"
#include "Numbering.h"
#include "PositionsModel.h"
#include "PutGood.h"
#include "Recovery.h"
#include "ReportOutput.h"
#include "ReportPreview.h"
#include "Reports.h"
#include "RowsGrid.h"
#include "SpecificationCommands.h"
#include "StartWindow.h"

#include <QAction>
#include <QDate>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QScopeGuard>
#include <QWindow>
#include <functional>

namespace {

using SpecificationCommands::Outcome;

// The one error guard of a user action, around the command it runs: an error
// that ends the command is shown here and the command counts as failed. A
// command that reports its own errors returns normally, so nothing is shown
// twice.
Outcome runGuarded(const std::function<Outcome()> &command)
{
    // Commands read, write and reconcile whole files: the wait cursor
    // shows, and the questions they ask bring the arrow back for a while.
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restore = qScopeGuard([] { QGuiApplication::restoreOverrideCursor(); });
    Outcome outcome = Outcome::Failed;
    ErrorReport::guard([&] { outcome = command(); });
    return outcome;
}

// The same for a command that either does its work or throws: true when it
// did.
bool succeeded(const std::function<void()> &command)
{
    return runGuarded([&] {
               command();
               return Outcome::Done;
           }) == Outcome::Done;
}

} // namespace

Program::Program(const StartUpPlace &place, Prompts *prompts)
    : m_prompts(prompts ? *prompts : m_widgetPrompts),
      m_cad(CadLink::create(m_settings.cadBridge()))
{
    m_cad->setWait(&m_cadWait);
    m_place = place;
    m_problems = startUp(m_session, m_settings, *m_cad, place, &m_unsaved);
    m_session.setLastFolder(m_settings.lastFolder());
    m_startWindow = std::make_unique<StartWindow>(m_session, *m_cad);
    if (m_session.workingDatabasePath().isEmpty())
        m_startWindow->disableSpecificationCommands();
    m_editorWindow = std::make_unique<EditorWindow>(m_session, m_settings, m_prompts);
    m_catalogueEditor = std::make_unique<CatalogueEditor>(m_session, m_prompts);
    m_picker = std::make_unique<ComponentPicker>(m_session);
    m_groupOrderDialog = std::make_unique<GroupOrderDialog>(m_session, m_prompts);
    m_combineDialog = std::make_unique<CombineDialog>(m_prompts, m_editorWindow.get());
    // The group order list is the first use of the catalogue; a catalogue
    // that start-up already found wanting is not reported twice.
    if (m_problems.isEmpty() || m_problems.first().file() != m_session.catalogueFile()) {
        try {
            GroupOrder::load(m_session);
            if (!m_session.catalogueOnServer())
                m_catalogueConnection = m_session.goods().hold();
        } catch (const AppError &problem) {
            m_problems << (m_session.catalogueOnServer()
                               ? AppError(problem.message() +
                                          QStringLiteral("\n\nПрограмма работает без базы "
                                                         "товара: спецификации открываются, "
                                                         "правятся и сохраняются, но их позиции "
                                                         "не дополняются из базы товара."))
                               : problem);
        }
    }

    const StartWindow::Actions &menu = m_startWindow->actions();
    connect(m_startWindow.get(), &StartWindow::activated, this, &Program::openCommandLineFile);
    connect(menu.edit, &QAction::triggered, this, &Program::showEditor);
    connect(m_editorWindow.get(), &EditorWindow::activated, m_startWindow.get(),
            &StartWindow::enableEditing);
    const auto showStartWindow = [this] {
        m_startWindow->setEnabled(true);
        m_startWindow->show();
        m_startWindow->activateWindow();
    };
    connect(m_editorWindow.get(), &EditorWindow::left, this, showStartWindow);
    connect(menu.catalogue, &QAction::triggered, this, &Program::openCatalogueEditor);
    connect(m_catalogueEditor.get(), &CatalogueEditor::left, this, showStartWindow);
    connect(menu.groups, &QAction::triggered, m_groupOrderDialog.get(), &GroupOrderDialog::open);
    connect(m_editorWindow.get(), &EditorWindow::pickerRequested, this, &Program::openPicker);
    connect(menu.open, &QAction::triggered, this, &Program::openSpecification);
    connect(menu.create, &QAction::triggered, this, &Program::createSpecification);
    connect(&m_session.document(), &SpecificationDocument::nameChanged, m_editorWindow.get(),
            [this](const QString &name) {
                m_editorWindow->setWindowTitle(SpecificationCommands::editorCaption(name));
            });
    const EditorWindow::Actions &editor = m_editorWindow->actions();
    editor.save->setEnabled(m_session.document().isModified());
    connect(&m_session.document(), &SpecificationDocument::modifiedChanged, editor.save,
            &QAction::setEnabled);
    connect(editor.save, &QAction::triggered, this, [this] {
        if (runGuarded([this] { return SpecificationCommands::save(m_session, m_prompts); }) ==
            Outcome::Done)
            rememberFile();
    });
    connect(editor.saveInPlace, &QAction::triggered, this, [this] {
        if (runGuarded([this] {
                return SpecificationCommands::saveInPlace(m_session, m_prompts);
            }) == Outcome::Done)
            rememberFile();
    });
    // F1 opens the guide at the chapter of the window it is pressed in.
    Help::addActions(m_editorWindow.get(), Help::kEditor);
    Help::addActions(m_catalogueEditor.get(), Help::kCatalogue);
    Help::addActions(m_picker.get(), Help::kPicker);
    Help::addActions(m_groupOrderDialog.get(), Help::kGroups);
    Help::addActions(m_combineDialog.get(), Help::kCombine);
    Help::addActions(m_editorWindow->firmNameDialog(), Help::kFirmName);
    Help::addActions(m_picker->duplicateDialog(), Help::kDuplicate);
    if (auto *find = m_editorWindow->findChild<QDialog *>(QStringLiteral("findDialog")))
        Help::addActions(find, Help::kFind);
    // Creating and opening work from the editor by their keys as well.
    m_editorWindow->addActions({menu.create, menu.open});
    connect(m_startWindow->recentMenu(), &QMenu::aboutToShow, this,
            [this] { m_startWindow->setRecentFiles(m_settings.recentFiles()); });
    m_startWindow->setRecentFiles(m_settings.recentFiles());
    connect(m_startWindow.get(), &StartWindow::recentFileChosen, this, &Program::openRecentFile);
    connect(editor.sort, &QAction::triggered, this, [this] {
        int undefined = 0;
        if (!succeeded([&] { undefined = Numbering::sortAndNumber(m_session); }))
            return;
        // Each catalogue update follows a sort of its own.
        m_editorWindow->actions().updateCatalogue->setEnabled(true);
        if (undefined > 0) {
            m_editorWindow->showUndefinedGroup();
            m_prompts.notify(QStringLiteral("     Обнаружены неопределенные группы!     "));
        }
    });
    connect(editor.updateCatalogue, &QAction::triggered, this, [this] {
        // After a failure or a No, which changed nothing, it may be tried
        // again.
        std::optional<GoodsWritten> written;
        if (succeeded([&] { written = CatalogueUpdate::updateCatalogue(m_session, m_prompts); }) &&
            written)
            m_editorWindow->actions().updateCatalogue->setEnabled(false);
    });
    connect(editor.deleteZeros, &QAction::triggered, this,
            [this] { succeeded([this] { Numbering::removeEmpty(m_session, m_prompts); }); });
    connect(editor.addSpecification, &QAction::triggered, this, &Program::addSpecifications);
    connect(editor.sheet, &QAction::triggered, this, [this] {
        showReport(
            [this] { return std::make_unique<SheetReport>(Reports::sheetContents(m_session)); },
            QString());
    });
    connect(editor.exportToWorkbook, &QAction::triggered, this, &Program::exportToWorkbook);
    const auto hideWindows = [this] {
        // The CAD program takes the screen while it works on the drawing.
        m_editorWindow->showMinimized();
        if (m_startWindow->isVisible())
            m_startWindow->showMinimized();
    };
    connect(editor.exportToCad, &QAction::triggered, this, [this, hideWindows] {
        succeeded(
            [&] { DrawingExchange::exportToDrawing(m_session, *m_cad, m_prompts, hideWindows); });
    });
    connect(editor.findBlock, &QAction::triggered, this, [this, hideWindows] {
        const QString name = m_editorWindow->currentBlockName();
        succeeded([&] { DrawingExchange::findBlock(*m_cad, m_prompts, name, hideWindows); });
    });
    connect(editor.synchronise, &QAction::triggered, this, &Program::synchronise);
    connect(editor.estimate, &QAction::triggered, this, [this] {
        showReport(
            [this] {
                return Reports::estimate(m_session, QDate::currentDate(),
                                         [this](const QStringList &unpriced) {
                                             m_prompts.notify(Reports::unpricedNotice(unpriced));
                                         });
            },
            QStringLiteral(" смета"));
    });
    connect(editor.saveGroup, &QAction::triggered, this, [this] {
        runGuarded([this] {
            return SpecificationCommands::saveGroup(m_session, m_prompts,
                                                    m_editorWindow->groupFilterText());
        });
    });
    m_startWindow->setLeaveGuard([this] {
        return runGuarded([this] {
                   return SpecificationCommands::saveOnLeaving(m_session, m_prompts);
               }) == Outcome::Done;
    });
    connect(m_picker.get(), &ComponentPicker::closed, this, [this] {
        m_editorWindow->setEnabled(true);
        m_editorWindow->activateWindow();
    });
}

Program::~Program()
{
    m_startWindow->leaveProgram();
    Recovery::letGo(m_unsaved);
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
    const qint64 key =
        m_editorWindow->positions()->rowKey(m_editorWindow->grid()->currentIndex().row());
    m_picker->pickFor([this, key](const Good &good) {
        PutGood::Outcome outcome = PutGood::Outcome::Unchanged;
        ErrorReport::guard([&] {
            outcome = PutGood::put(m_session, m_prompts, key, good,
                                   [this](const DuplicatePosition &duplicate) {
                                       return m_picker->askMerge(duplicate);
                                   });
        });
        return outcome == PutGood::Outcome::Filled || outcome == PutGood::Outcome::Merged;
    });
}

QString Program::drawingFolder()
{
    if (m_cad->attachQuietly()) {
        try {
            const QString drawing = m_cad->activeDrawingFullName();
            if (!drawing.isEmpty())
                return QFileInfo(drawing).absolutePath();
        } catch (const AppError &) {
            // Quietly: the program folder serves.
        }
    }
    return m_place.programFolder;
}

void Program::openSpecification()
{
    // The open dialog starts in the folder last used, else beside the
    // drawing when a CAD program has one.
    const QString last = m_settings.lastFolder();
    const QString folder = !last.isEmpty() && QFileInfo(last).isDir() ? last : drawingFolder();
    showOpened(
        runGuarded([&] { return SpecificationCommands::open(m_session, m_prompts, folder); }));
}

void Program::showOpened(Outcome outcome)
{
    if (outcome != Outcome::Done)
        return;
    rememberFile();
    m_editorWindow->refreshPositions();
    showEditor();
}

void Program::openRecentFile(const QString &path)
{
    if (!QFileInfo::exists(path)) {
        m_settings.removeRecentFile(path);
        m_startWindow->setRecentFiles(m_settings.recentFiles());
        m_prompts.notify(QStringLiteral("Файла %1 больше нет; он убран из списка последних "
                                        "файлов.")
                             .arg(QDir::toNativeSeparators(path)));
        return;
    }
    showOpened(
        runGuarded([&] { return SpecificationCommands::openPath(m_session, m_prompts, path); }));
}

void Program::rememberFile()
{
    QString name = m_session.document().name();
    if (name.endsWith(SpecificationCommands::kReadOnlySuffix))
        name.chop(SpecificationCommands::kReadOnlySuffix.size());
    if (!QFileInfo(name).isFile())
        return;
    const QString path = QFileInfo(name).absoluteFilePath();
    m_settings.addRecentFile(path);
    m_settings.setLastFolder(QFileInfo(path).absolutePath());
    m_session.setLastFolder(QFileInfo(path).absolutePath());
    m_startWindow->setRecentFiles(m_settings.recentFiles());
}

void Program::addSpecifications()
{
    const QStringList files = m_prompts.chooseFilesToOpen(drawingFolder());
    if (files.isEmpty())
        return;
    const std::optional<QList<Combine::Source>> sources = m_combineDialog->ask(files);
    if (!sources)
        return;
    succeeded([&] { Combine::combine(m_session, *sources); });
}

void Program::showReport(const std::function<std::unique_ptr<Report>()> &make,
                         const QString &pdfSuffix)
{
    std::unique_ptr<Report> report;
    if (!succeeded([&] { report = make(); }))
        return;
    ReportPreview::show(
        *report, Reports::proposedPdfName(m_session.document().name(), pdfSuffix),
        [&](const QString &path) {
            if (succeeded([&] { Reports::writePdf(m_session, *report, path); }))
                m_prompts.notify(QStringLiteral("Записан файл PDF «%1»: %2.")
                                     .arg(QDir::toNativeSeparators(path),
                                          ReportOutput::pagesText(report->pageCount())));
        },
        m_editorWindow.get());
}

void Program::exportToWorkbook()
{
    succeeded([this] {
        Reports::exportWorkbook(
            m_session, m_prompts, QDate::currentDate(), [this] { return drawingFolder(); },
            DesktopOpen::open);
    });
}

void Program::synchronise()
{
    const QString file = m_prompts.chooseFileToOpen(drawingFolder());
    if (file.isEmpty())
        return;
    if (!succeeded([&] { DrawingExchange::synchroniseFrom(m_session, m_prompts, file); }))
        return;
    m_prompts.notify(QStringLiteral("     Синхронизация завершена.     "));
}

void Program::createSpecification()
{
    if (runGuarded([this] { return SpecificationCommands::create(m_session, m_prompts); }) !=
        Outcome::Done)
        return;
    m_editorWindow->refreshPositions();
    showEditor();
}

void Program::offerRecovery()
{
    if (m_unsaved.isEmpty())
        return;
    // The list stays while the questions are asked: the start window's
    // activation in between must not open the command-line file yet.
    const Outcome outcome = runGuarded(
        [this] { return Recovery::offer(m_session, m_prompts, m_unsaved, QDate::currentDate()); });
    // Each has been decided on: brought back, deleted or left for later.
    m_unsaved.clear();
    if (outcome == Outcome::Done) {
        m_editorWindow->refreshPositions();
        m_startWindow->enableEditing();
        // The start window stays visible behind the editor.
        m_editorWindow->show();
        m_editorWindow->raise();
        m_editorWindow->activateWindow();
    }
    openCommandLineFile();
}

void Program::openCommandLineFile()
{
    if (m_opening || !m_unsaved.isEmpty() || m_session.commandLineFile().isEmpty() ||
        m_session.workingDatabasePath().isEmpty())
        return;
    // Tried once: a bad file is reported once, not at every activation.
    m_opening = true;
    // The start window shows, with its progress bar, before a large file
    // keeps the program busy.
    QElapsedTimer shown;
    shown.start();
    while (!m_startWindow->windowHandle()->isExposed() && shown.elapsed() < 1000)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 50);
    m_startWindow->repaint();
    const Outcome outcome = runGuarded(
        [this] { return SpecificationCommands::openFromCommandLine(m_session, m_prompts); });
    m_session.setCommandLineFile({});
    m_opening = false;
    if (outcome != Outcome::Done)
        return;
    rememberFile();
    m_editorWindow->refreshPositions();
    m_startWindow->enableEditing();
    // The start window stays visible behind the editor.
    m_editorWindow->show();
    m_editorWindow->raise();
    m_editorWindow->activateWindow();
}
