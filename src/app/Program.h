#pragma once

#include "AppError.h"
#include "CadWaitDialog.h"
#include "Session.h"
#include "Settings.h"
#include "SpecificationCommands.h"
#include "StartUp.h"
#include "WidgetPrompts.h"

#include <QObject>
#include <functional>
#include <memory>

class CadLink;
class CatalogueHold;
class CatalogueEditor;
class CombineDialog;
class Report;
class ComponentPicker;
class EditorWindow;
class GroupOrderDialog;
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
    CatalogueEditor &catalogueEditor() { return *m_catalogueEditor; }
    ComponentPicker &picker() { return *m_picker; }
    GroupOrderDialog &groupOrderDialog() { return *m_groupOrderDialog; }
    // What start-up found wrong, each naming its file.
    const QList<AppError> &startUpProblems() const { return m_problems; }

    // Asks about the unsaved work that crashed copies left and shows the one
    // brought back in the editor; then the command-line file is opened. Once,
    // at the start, with the start window shown.
    void offerRecovery();
    // Opens the command-line file at the start window's first activation,
    // once the question about unsaved work has been answered.
    void openCommandLineFile();
    // Shows the editor in front of the start window.
    void showEditor();
    // "Открыть  спецификацию" and "Создать спецификацию".
    void openSpecification();
    void createSpecification();
    // "База товара": the catalogue editor instead of the start window.
    void openCatalogueEditor();
    // The component picker for the editor's current position.
    void openPicker();
    // "Добавить спецификацию": files chosen beside the drawing, their
    // coefficients in the combine dialog, then the combine command.
    void addSpecifications();

private:
    // "Спецификация" and "Смета": the report made, then shown in the print
    // preview, which saves it as "<name><pdfSuffix>.pdf".
    void showReport(const std::function<std::unique_ptr<Report>()> &make, const QString &pdfSuffix);
    // "Экспорт в Excel": the workbook where the user chooses (proposed
    // beside the specification), opened with the desktop's program for .xlsx
    // files.
    void exportToWorkbook();
    // "Синхронизация": position numbers from a file chosen beside the drawing.
    void synchronise();
    // A file of "Последние файлы": opened as "Открыть  спецификацию" opens
    // one; a file that is gone leaves the list with a word.
    void openRecentFile(const QString &path);
    // A specification just opened shows in the editor, its file remembered.
    void showOpened(SpecificationCommands::Outcome outcome);
    // The open specification's file goes first in the recent files, and its
    // folder is where the next dialog starts.
    void rememberFile();
    // The folder of the CAD program's active drawing, else the program's.
    QString drawingFolder();

    Settings m_settings;
    WidgetPrompts m_widgetPrompts;
    Prompts &m_prompts;
    CadWaitDialog m_cadWait;
    std::unique_ptr<CadLink> m_cad;
    Session m_session;
    // The catalogue file stays connected while the program runs, so that
    // each opening, search and edit finds its pages already read.
    std::unique_ptr<CatalogueHold> m_catalogueConnection;
    QList<AppError> m_problems;
    // The work crashed copies left, until the user has been asked about it.
    QList<Recovery::Unsaved> m_unsaved;
    StartUpPlace m_place;
    bool m_opening = false;
    std::unique_ptr<StartWindow> m_startWindow;
    std::unique_ptr<EditorWindow> m_editorWindow;
    std::unique_ptr<CatalogueEditor> m_catalogueEditor;
    std::unique_ptr<ComponentPicker> m_picker;
    std::unique_ptr<GroupOrderDialog> m_groupOrderDialog;
    std::unique_ptr<CombineDialog> m_combineDialog;
};
