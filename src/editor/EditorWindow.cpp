#include "EditorWindow.h"

#include "ErrorReport.h"
#include "Find.h"
#include "FindDialog.h"
#include "FirmNameDialog.h"
#include "GlyphIcon.h"
#include "HeaderEdit.h"
#include "Numbers.h"
#include "PositionsModel.h"
#include "ProgressDisplay.h"
#include "Prompts.h"
#include "Reconciliation.h"
#include "RecordNavigator.h"
#include "RowsGrid.h"
#include "Session.h"
#include "Settings.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QScreen>
#include <QToolButton>
#include <QToolTip>
#include <QUndoStack>
#include <QUndoView>
#include <QVBoxLayout>
#include <utility>

namespace {

// A filter box offers the lists that reconciliation fills and nothing the
// user typed; completion proposes in a popup, so that the text shown is the
// text the positions are filtered by.
void keepListAsItIs(QComboBox *box)
{
    box->setInsertPolicy(QComboBox::NoInsert);
    box->completer()->setCompletionMode(QCompleter::PopupCompletion);
    box->completer()->setCaseSensitivity(Qt::CaseInsensitive);
}

// Puts a text into a box as its current item where the list has it. A box
// whose text differs from its current item takes the text for a choice of
// the user when it loses the focus, and filters again.
void showText(QComboBox *box, const QString &text)
{
    const int index = box->findText(text, Qt::MatchExactly);
    if (index >= 0)
        box->setCurrentIndex(index);
    else
        box->setEditText(text);
}

using Actions = EditorWindow::Actions;

struct CommandButton {
    QAction *Actions::*action;
    const char *name;
    const char *glyph;
    const char *hint;
};

// Left to right, as the bottom panel shows them.
const CommandButton kCommandButtons[] = {
    {&Actions::filter, "SpeedButton12", "▽", "Фильтр"},
    {&Actions::sort, "SpeedButton7", "⇅", "Сортировка"},
    {&Actions::updateCatalogue, "SpeedButton8", "⇪", "Обновить базу"},
    {&Actions::addSpecification, "SpeedButton6", "⊕", "Добавить спецификацию"},
    {&Actions::synchronise, "SpeedButton11", "⇄", "Синхронизация"},
    {&Actions::save, "SpeedButton5", "⇓", "Сохранить спецификацию"},
    {&Actions::saveGroup, "SpeedButton9", "⇊", "Сохранить группу"},
    {&Actions::exportToCad, "SpeedButton2", "✎", "Экспорт в Acad"},
    {&Actions::findBlock, "SpeedButton13", "◎", "Поиск блока"},
    {&Actions::exportToWorkbook, "SpeedButton3", "▦", "Экспорт в Excel"},
    {&Actions::sheet, "SpeedButton1", "▭", "Спецификация"},
    {&Actions::estimate, "SpeedButton4", "Σ", "Смета"},
    {&Actions::deleteZeros, "SpeedButton10", "∅", "Удалить нулевые"},
};

QLabel *label(const QString &text, QWidget *parent)
{
    auto *result = new QLabel(text, parent);
    result->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return result;
}

// A field is known to a screen reader by the label beside it, without the
// colon.
QString nameOfLabel(const QString &text)
{
    QString name = text.trimmed();
    if (name.endsWith(u':'))
        name.chop(1);
    return name;
}

// The label beside a field, which also names the field.
QLabel *labelOf(QWidget *field, const QString &text, QWidget *parent)
{
    field->setAccessibleName(nameOfLabel(text));
    return label(text, parent);
}

} // namespace

EditorWindow::EditorWindow(Session &session, Settings &settings, Prompts &prompts, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_session(session), m_settings(settings), m_prompts(prompts)
{
    setObjectName(QStringLiteral("TForm3"));
    setWindowTitle(QStringLiteral("Редактирование спецификации."));
    makeActions();

    m_positions = new PositionsModel(session, this);
    m_grid = new RowsGrid(prompts, this);
    m_grid->setAccessibleName(QStringLiteral("Позиции спецификации"));
    m_grid->setRowsModel(m_positions, PositionsModel::Unit,
                         {32, 289, 106, 114, 109, 43, 49, 79, 116});
    connect(m_grid, &RowsGrid::currentRowChanged, m_positions, &PositionsModel::setCurrentRow);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildTopPanel());
    layout->addWidget(m_grid, 1);
    layout->addWidget(buildBottomPanel());
    m_progressBar = new QProgressBar(this);
    m_progressBar->setObjectName(QStringLiteral("ProgressBar1"));
    m_progressBar->setAccessibleName(QStringLiteral("Ход работы"));
    m_progressBar->setFixedHeight(9);
    m_progressBar->setTextVisible(false);
    layout->addWidget(m_progressBar);

    m_firmDialog = new FirmNameDialog(this);
    m_firmDialog->setWindowFlag(Qt::Window);
    session.setFirmName(settings.resolveFirmName());
    m_firmLabel->setText(session.firmName());
    connect(&session, &Session::firmNameChanged, m_firmLabel, &QLabel::setText);
    connect(m_firmDialog, &FirmNameDialog::firmNameChosen, this, [this](const QString &name) {
        m_settings.setFirma(name);
        m_session.setFirmName(name);
    });

    connect(&session.document(), &SpecificationDocument::headerChanged, this,
            &EditorWindow::showHeader);
    connect(&session, &Session::listsChanged, this, &EditorWindow::showLists);
    followProgress(m_progressBar, session);
    // The grid follows every change of the positions by itself; when it reads
    // them all again (a sort, an undo), the current position stays current.
    connect(m_positions, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        const QModelIndex current = m_grid->currentIndex();
        m_beforeReset = {m_positions->rowKey(current.row()), current.row(), current.column()};
    });
    connect(m_positions, &QAbstractItemModel::modelReset, this, &EditorWindow::keepCurrentRow);
    connect(m_positions, &QAbstractItemModel::modelReset, this, &EditorWindow::showCurrentPosition);
    connect(m_positions, &QAbstractItemModel::dataChanged, this,
            &EditorWindow::showCurrentPosition);
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &EditorWindow::showCurrentPosition);
    connect(m_grid, &RowsGrid::rowDoubleClicked, this, &EditorWindow::requestPicker);
    connect(m_grid, &RowsGrid::pickRequested, this, &EditorWindow::requestPicker);
    connect(&session, &Session::viewFilterChanged, this, &EditorWindow::followViewFilter);
    connect(m_positions, &QAbstractItemModel::modelReset, this, &EditorWindow::recomputeTotal);
    connect(m_positions, &QAbstractItemModel::dataChanged, this, &EditorWindow::recomputeTotal);
    connect(m_positions, &QAbstractItemModel::rowsInserted, this, &EditorWindow::recomputeTotal);
    connect(m_positions, &QAbstractItemModel::rowsRemoved, this, &EditorWindow::recomputeTotal);
    connect(m_grid, &RowsGrid::currentRowChanged, this, &EditorWindow::recomputeTotal);
    // Only what the user does to the boxes filters; texts put there by the
    // program do not.
    connect(m_groupFilter, &QComboBox::textActivated, this, &EditorWindow::groupFilterChanged);
    connect(m_groupFilter->lineEdit(), &QLineEdit::textEdited, this,
            &EditorWindow::groupFilterChanged);
    connect(m_makerFilter, &QComboBox::textActivated, this, &EditorWindow::makerFilterChanged);
    connect(m_makerFilter->lineEdit(), &QLineEdit::textEdited, this,
            &EditorWindow::makerFilterChanged);
    showHeader();
    showLists();

    resize(1011, 546);
    if (const QScreen *screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
}

void EditorWindow::makeActions()
{
    for (const CommandButton &command : kCommandButtons) {
        const QString hint = QString::fromUtf8(command.hint);
        auto *action = new QAction(
            glyphIcon(QString::fromUtf8(command.glyph), QColor(0x10, 0x50, 0x30)), hint, this);
        action->setObjectName(QLatin1String(command.name));
        action->setToolTip(hint);
        action->setEnabled(false);
        m_actions.*command.action = action;
    }
    m_actions.filter->setEnabled(true);
    m_actions.sort->setEnabled(true);
    m_actions.deleteZeros->setEnabled(true);
    m_actions.addSpecification->setEnabled(true);
    m_actions.sheet->setEnabled(true);
    m_actions.exportToWorkbook->setEnabled(true);
    m_actions.exportToCad->setEnabled(true);
    m_actions.findBlock->setEnabled(true);
    m_actions.synchronise->setEnabled(true);
    m_actions.estimate->setEnabled(true);
    connect(m_actions.filter, &QAction::triggered, this, &EditorWindow::toggleFilter);
    makeUndoActions();
    makeKeyActions();
    m_actions.leave = new QAction(QStringLiteral("Выход"), this);
    m_actions.leave->setObjectName(QStringLiteral("Button1"));
    connect(m_actions.leave, &QAction::triggered, this, &EditorWindow::leaveEditor);
}

void EditorWindow::makeUndoActions()
{
    QUndoStack &stack = m_session.document().undoStack();
    const QColor colour(0x10, 0x30, 0x70);
    m_actions.undo =
        new QAction(glyphIcon(QStringLiteral("↶"), colour), QStringLiteral("Отменить"), this);
    m_actions.undo->setObjectName(QStringLiteral("undoEdit"));
    m_actions.undo->setShortcut(QKeySequence::Undo);
    m_actions.redo =
        new QAction(glyphIcon(QStringLiteral("↷"), colour), QStringLiteral("Вернуть"), this);
    m_actions.redo->setObjectName(QStringLiteral("redoEdit"));
    m_actions.redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    m_actions.history =
        new QAction(glyphIcon(QStringLiteral("☰"), colour), QStringLiteral("История правок"), this);
    m_actions.history->setObjectName(QStringLiteral("editHistory"));
    m_actions.history->setToolTip(m_actions.history->text());
    for (QAction *action : {m_actions.undo, m_actions.redo, m_actions.history}) {
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
    }
    // The buttons name the step they take: "Отменить: Сортировка".
    const auto follow = [](QAction *action, const QString &verb, bool can, const QString &step) {
        action->setEnabled(can);
        action->setToolTip(QStringLiteral("%1 (%2)").arg(
            step.isEmpty() ? verb : verb + QStringLiteral(": ") + step,
            action->shortcut().toString(QKeySequence::NativeText)));
    };
    const auto followStack = [this, follow, &stack] {
        follow(m_actions.undo, QStringLiteral("Отменить"), stack.canUndo(), stack.undoText());
        follow(m_actions.redo, QStringLiteral("Вернуть"), stack.canRedo(), stack.redoText());
    };
    connect(&stack, &QUndoStack::indexChanged, this, followStack);
    connect(&stack, &QUndoStack::cleanChanged, this, followStack);
    followStack();
    connect(m_actions.undo, &QAction::triggered, this,
            [this, &stack] { stepThroughHistory([&] { stack.undo(); }); });
    connect(m_actions.redo, &QAction::triggered, this,
            [this, &stack] { stepThroughHistory([&] { stack.redo(); }); });
    connect(m_actions.history, &QAction::triggered, this, &EditorWindow::showHistory);
}

void EditorWindow::makeKeyActions()
{
    const auto make = [this](QAction *&slot, const char *name, const QString &text,
                             const QList<QKeySequence> &keys) {
        slot = new QAction(text, this);
        slot->setObjectName(QLatin1String(name));
        slot->setShortcuts(keys);
        slot->setShortcutContext(Qt::WindowShortcut);
        addAction(slot);
    };
    make(m_actions.saveInPlace, "saveInPlace", QStringLiteral("Сохранить"), {QKeySequence::Save});
    make(m_actions.find, "findInPositions", QStringLiteral("Найти"), {QKeySequence::Find});
    make(m_actions.replace, "replaceInPositions", QStringLiteral("Заменить"),
         {QKeySequence(Qt::CTRL | Qt::Key_H)});
    make(m_actions.findNext, "findNext", QStringLiteral("Найти далее"), {QKeySequence(Qt::Key_F3)});
    make(m_actions.findPrevious, "findPrevious", QStringLiteral("Найти назад"),
         {QKeySequence(Qt::SHIFT | Qt::Key_F3)});
    // The buttons' own keys: the save with its dialog is saving under a new
    // name; the sheet is what Ctrl+P previews.
    m_actions.save->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    m_actions.sheet->setShortcut(QKeySequence::Print);
    for (const CommandButton &command : kCommandButtons) {
        QAction *action = m_actions.*command.action;
        if (!action->shortcut().isEmpty())
            action->setToolTip(QStringLiteral("%1 (%2)").arg(
                action->toolTip(), action->shortcut().toString(QKeySequence::NativeText)));
    }

    m_findDialog = new FindDialog(this);
    connect(m_actions.find, &QAction::triggered, this, [this] { m_findDialog->showFor(false); });
    connect(m_actions.replace, &QAction::triggered, this, [this] { m_findDialog->showFor(true); });
    connect(m_actions.findNext, &QAction::triggered, this, [this] { findNext(false); });
    connect(m_actions.findPrevious, &QAction::triggered, this, [this] { findNext(true); });
    connect(m_findDialog, &FindDialog::findNext, this, [this] { findNext(false); });
    connect(m_findDialog, &FindDialog::findPrevious, this, [this] { findNext(true); });
    connect(m_findDialog, &FindDialog::replaceOne, this, &EditorWindow::replaceOne);
    connect(m_findDialog, &FindDialog::replaceAll, this, &EditorWindow::replaceAll);
    // F3 and Shift+F3 work in the dialog as in the editor.
    m_findDialog->addActions({m_actions.findNext, m_actions.findPrevious});
}

void EditorWindow::findNext(bool backwards)
{
    const QString what = m_findDialog->findText();
    if (what.isEmpty()) {
        m_findDialog->showFor(false);
        return;
    }
    if (!m_grid->endEdit(true))
        return;
    const std::optional<int> row =
        Find::next(m_positions->rows(), m_grid->currentIndex().row(), what, backwards);
    if (!row) {
        const QString notFound = QStringLiteral("Не найдено: «%1»").arg(what);
        if (m_findDialog->isVisible())
            m_findDialog->tell(notFound);
        else
            m_prompts.notify(notFound);
        return;
    }
    m_findDialog->tell({});
    m_grid->setCurrentIndex(m_positions->index(*row, qMax(0, m_grid->currentIndex().column())));
    m_grid->scrollTo(m_grid->currentIndex());
}

void EditorWindow::replaceOne()
{
    const QString what = m_findDialog->findText();
    const int row = m_grid->currentIndex().row();
    if (what.isEmpty() || !m_grid->endEdit(true))
        return;
    // The current position is replaced when it holds the text; then the
    // next one holding it becomes current.
    if (row >= 0 && Find::holds(m_positions->position(row), what))
        ErrorReport::guard([&] {
            Find::replaceIn(m_session.document(), m_positions->position(row), what,
                            m_findDialog->replaceText());
        });
    findNext(false);
}

void EditorWindow::replaceAll()
{
    const QString what = m_findDialog->findText();
    if (what.isEmpty() || !m_grid->endEdit(true))
        return;
    int replaced = 0;
    if (!ErrorReport::guard([&] {
            replaced = Find::replaceAll(m_session.document(), m_positions->rows(), what,
                                        m_findDialog->replaceText());
        }))
        return;
    m_findDialog->tell(replaced == 0 ? QStringLiteral("Не найдено: «%1»").arg(what)
                                     : QStringLiteral("Заменено: %1").arg(replaced));
}

void EditorWindow::stepThroughHistory(const std::function<void()> &step)
{
    // What is being typed becomes a step of its own first.
    if (!m_grid->endEdit(true))
        return;
    ErrorReport::guard([&] {
        step();
        afterStep();
    });
}

void EditorWindow::afterStep()
{
    SpecificationDocument &document = m_session.document();
    if (const std::optional<AppError> failure = document.takeFailure()) {
        // The step was not taken; nor can the steps around it be trusted.
        document.startAfresh(true);
        m_positions->reload();
        throw AppError(failure->message() +
                           QStringLiteral("\nИстория правок очищена: отменить прежние правки "
                                          "уже нельзя."),
                       failure->file(), failure->line());
    }
    Reconciliation::refreshFilterLists(m_session);
}

void EditorWindow::showHistory()
{
    if (!m_historyWindow) {
        m_historyWindow = new QWidget(this, Qt::Tool);
        m_historyWindow->setObjectName(QStringLiteral("historyWindow"));
        m_historyWindow->setWindowTitle(QStringLiteral("История правок"));
        auto *view = new QUndoView(&m_session.document().undoStack(), m_historyWindow);
        view->setObjectName(QStringLiteral("editHistoryList"));
        view->setAccessibleName(QStringLiteral("История правок"));
        view->setEmptyLabel(QStringLiteral("Спецификация как открыта"));
        // A jump to a step is undoing and redoing: the lists follow it, once
        // the stack is done.
        connect(view->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
            QMetaObject::invokeMethod(
                this, [this] { ErrorReport::guard([this] { afterStep(); }); },
                Qt::QueuedConnection);
        });
        auto *layout = new QVBoxLayout(m_historyWindow);
        layout->setContentsMargins(4, 4, 4, 4);
        layout->addWidget(view);
        m_historyWindow->resize(320, 360);
    }
    m_historyWindow->show();
    m_historyWindow->raise();
    m_historyWindow->activateWindow();
}

QLineEdit *EditorWindow::headerEdit(const char *name, HeaderFields::Field field,
                                    const QString &accessibleName)
{
    auto *edit = new QLineEdit(this);
    edit->setObjectName(QLatin1String(name));
    edit->setAccessibleName(accessibleName);
    edit->setMaxLength(HeaderFields::maxLength(field));
    m_headerEdits.insert(field, edit);
    // A text too long for the field shows whole in its tooltip.
    edit->installEventFilter(this);
    // Only what the user types marks the specification modified; texts that
    // a file brings do not.
    connect(edit, &QLineEdit::textEdited, this, [this, field](const QString &text) {
        ErrorReport::guard([&] { HeaderEdit::make(m_session.document(), field, text); });
    });
    return edit;
}

QWidget *EditorWindow::buildTopPanel()
{
    auto *panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFixedHeight(177);
    auto *layout = new QHBoxLayout(panel);
    layout->setContentsMargins(6, 4, 6, 4);

    auto *left = new QGridLayout;
    m_firmLabel = new QLabel(panel);
    m_firmLabel->setObjectName(QStringLiteral("Label11"));
    QFont firmFont(QStringLiteral("Arial"));
    firmFont.setPixelSize(19);
    firmFont.setItalic(true);
    m_firmLabel->setFont(firmFont);
    m_firmLabel->setToolTip(QStringLiteral("Двойной щелчок: изменить название фирмы"));
    m_firmLabel->installEventFilter(this);
    left->addWidget(m_firmLabel, 0, 0, 1, 2);

    m_groupFilter = new QComboBox(panel);
    m_groupFilter->setObjectName(QStringLiteral("ComboBox1"));
    m_groupFilter->setEditable(true);
    keepListAsItIs(m_groupFilter);
    m_groupFilter->setFixedWidth(262);
    m_makerFilter = new QComboBox(panel);
    m_makerFilter->setObjectName(QStringLiteral("ComboBox2"));
    m_makerFilter->setEditable(true);
    keepListAsItIs(m_makerFilter);
    m_makerFilter->setFixedWidth(262);
    m_groupFilter->setAccessibleName(QStringLiteral("Фильтр по группе"));
    m_makerFilter->setAccessibleName(QStringLiteral("Фильтр по производителю"));
    left->addWidget(label(QStringLiteral("Фильтр:"), panel), 1, 0);
    left->addWidget(m_groupFilter, 1, 1);
    left->addWidget(m_makerFilter, 2, 1);

    m_blockName = new QLineEdit(panel);
    m_blockName->setObjectName(QStringLiteral("DBEdit1"));
    m_blockName->setReadOnly(true);
    left->addWidget(labelOf(m_blockName, QStringLiteral("Имя блока:"), panel), 3, 0);
    left->addWidget(m_blockName, 3, 1);

    m_groupField = new QComboBox(panel);
    m_groupField->setObjectName(QStringLiteral("DBComboBox1"));
    m_groupField->setEditable(true);
    m_groupField->setInsertPolicy(QComboBox::NoInsert);
    m_groupField->installEventFilter(this);
    m_groupField->lineEdit()->installEventFilter(this);
    connect(m_groupField, &QComboBox::activated, this, &EditorWindow::writeGroupField);
    connect(m_groupField->lineEdit(), &QLineEdit::returnPressed, this,
            &EditorWindow::writeGroupField);
    left->addWidget(labelOf(m_groupField, QStringLiteral("Группа:"), panel), 4, 0);
    left->addWidget(m_groupField, 4, 1);
    left->setRowStretch(5, 1);

    layout->addLayout(left);
    layout->addWidget(buildExecutorsFrame());
    layout->addWidget(buildGeneralFrame(), 1);
    return panel;
}

QWidget *EditorWindow::buildExecutorsFrame()
{
    auto *frame = new QGroupBox(QStringLiteral("Исполнители"), this);
    frame->setObjectName(QStringLiteral("GroupBox1"));
    auto *grid = new QGridLayout(frame);
    grid->setVerticalSpacing(2);
    static const char *const kNames[12] = {"Edit7",  "Edit8",  "Edit9",  "Edit10",
                                           "Edit11", "Edit12", "Edit13", "Edit14",
                                           "Edit15", "Edit16", "Edit17", "Edit18"};
    for (int row = 0; row < 6; ++row) {
        for (int side = 0; side < 2; ++side) {
            const auto field = HeaderFields::Field(HeaderFields::Role1 + row * 2 + side);
            const QString name =
                QStringLiteral("Исполнитель %1, %2")
                    .arg(row + 1)
                    .arg(side == 0 ? QStringLiteral("должность") : QStringLiteral("фамилия"));
            QLineEdit *edit = headerEdit(kNames[row * 2 + side], field, name);
            edit->setFixedWidth(80);
            grid->addWidget(edit, row, side);
        }
    }
    return frame;
}

QWidget *EditorWindow::buildGeneralFrame()
{
    auto *frame = new QGroupBox(QStringLiteral("Общие данные"), this);
    frame->setObjectName(QStringLiteral("GroupBox2"));
    auto *grid = new QGridLayout(frame);
    grid->setVerticalSpacing(2);
    // Each field is named by its label; a second line by its label too.
    const auto field = [this](const char *name, HeaderFields::Field which, const char *caption) {
        return headerEdit(name, which, nameOfLabel(QString::fromUtf8(caption)));
    };
    grid->addWidget(label(QStringLiteral("Заказчик:"), frame), 0, 0);
    grid->addWidget(field("Edit1", HeaderFields::Customer, "Заказчик:"), 0, 1, 1, 3);
    grid->addWidget(field("Edit2", HeaderFields::CustomerMore, "Заказчик, продолжение"), 0, 4, 1,
                    2);
    grid->addWidget(label(QStringLiteral("Адрес:"), frame), 1, 0);
    grid->addWidget(field("Edit3", HeaderFields::Address, "Адрес:"), 1, 1, 1, 5);
    grid->addWidget(field("Edit20", HeaderFields::AddressMore, "Адрес, вторая строка"), 2, 1, 1, 5);
    grid->addWidget(label(QStringLiteral("Объект:"), frame), 3, 0);
    grid->addWidget(field("Edit4", HeaderFields::Object, "Объект:"), 3, 1, 1, 5);
    grid->addWidget(field("Edit19", HeaderFields::ObjectMore, "Объект, вторая строка"), 4, 1, 1, 5);
    grid->addWidget(label(QStringLiteral("Шифр:"), frame), 5, 0);
    grid->addWidget(field("Edit5", HeaderFields::DocumentCode, "Шифр:"), 5, 1);
    grid->addWidget(label(QStringLiteral("Раздел:"), frame), 5, 2);
    grid->addWidget(field("Edit21", HeaderFields::Section, "Раздел:"), 5, 3);
    grid->addWidget(label(QStringLiteral("Стадия:"), frame), 5, 4);
    QLineEdit *stage = field("Edit6", HeaderFields::Stage, "Стадия:");
    stage->setFixedWidth(50);
    grid->addWidget(stage, 5, 5);
    grid->setColumnStretch(1, 2);
    grid->setColumnStretch(3, 2);
    grid->setColumnStretch(5, 1);
    return frame;
}

QWidget *EditorWindow::buildBottomPanel()
{
    auto *panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("Panel2"));
    panel->setFixedHeight(41);
    auto *layout = new QHBoxLayout(panel);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(2);

    auto *navigator =
        new RecordNavigator({RecordNavigator::First, RecordNavigator::Last, RecordNavigator::Insert,
                             RecordNavigator::Delete, RecordNavigator::Post,
                             RecordNavigator::Cancel, RecordNavigator::Refresh},
                            panel);
    navigator->setObjectName(QStringLiteral("DBNavigator1"));
    navigator->setAccessibleName(QStringLiteral("Навигатор"));
    layout->addWidget(navigator);
    for (QAction *action : {m_actions.undo, m_actions.redo, m_actions.history}) {
        auto *button = new QToolButton(panel);
        button->setObjectName(action->objectName());
        button->setDefaultAction(action);
        button->setAccessibleName(action->text());
        button->setFixedSize(28, 28);
        layout->addWidget(button);
    }
    layout->addSpacing(10);
    connect(navigator, &RecordNavigator::pressed, this, &EditorWindow::navigate);

    for (const CommandButton &command : kCommandButtons) {
        auto *button = new QToolButton(panel);
        button->setObjectName(QLatin1String(command.name));
        button->setDefaultAction(m_actions.*command.action);
        button->setAccessibleName(QString::fromUtf8(command.hint));
        button->setFixedSize(28, 28);
        layout->addWidget(button);
    }
    layout->addSpacing(10);

    layout->addWidget(new QLabel(QStringLiteral("Цена, ЕВРО:"), panel));
    m_price = new QLineEdit(panel);
    m_price->setObjectName(QStringLiteral("DBEdit2"));
    m_price->setAccessibleName(QStringLiteral("Цена, ЕВРО"));
    m_price->setFixedWidth(80);
    connect(m_price, &QLineEdit::editingFinished, this, &EditorWindow::writePrice);
    layout->addWidget(m_price);
    m_total = new QLineEdit(panel);
    m_total->setObjectName(QStringLiteral("Edit22"));
    m_total->setAccessibleName(QStringLiteral("Общее количество"));
    // Shown, not typed into; a disabled box would grey the number out.
    m_total->setReadOnly(true);
    m_total->setFixedWidth(80);
    layout->addWidget(m_total);
    layout->addStretch(1);

    auto *leave = new QToolButton(panel);
    leave->setObjectName(QStringLiteral("Button1"));
    leave->setDefaultAction(m_actions.leave);
    leave->setAccessibleName(m_actions.leave->text());
    leave->setToolButtonStyle(Qt::ToolButtonTextOnly);
    leave->setMinimumWidth(75);
    layout->addWidget(leave);
    return panel;
}

QString EditorWindow::groupFilterText() const
{
    return m_groupFilter->currentText();
}

void EditorWindow::showHeader()
{
    const HeaderFields &header = m_session.document().header();
    for (auto it = m_headerEdits.cbegin(); it != m_headerEdits.cend(); ++it)
        if (it.value()->text() != header[it.key()]) {
            it.value()->setText(header[it.key()]);
            it.value()->setCursorPosition(0); // show the start of a long text
        }
}

void EditorWindow::showLists()
{
    const auto refill = [](QComboBox *box, const QStringList &items) {
        if (box->count() == items.size()) {
            bool same = true;
            for (int i = 0; i < items.size() && same; ++i)
                same = box->itemText(i) == items[i];
            if (same)
                return;
        }
        const QString text = box->currentText();
        box->clear();
        box->addItems(items);
        showText(box, text);
    };
    refill(m_groupFilter, m_session.groupFilterList());
    refill(m_makerFilter, m_session.makerFilterList());
    refill(m_groupField, m_session.groupFieldList());
    if (m_groupFilter->currentText().isEmpty())
        m_groupFilter->setCurrentIndex(m_groupFilter->findText(Session::kAllGroupsItem));
    if (m_makerFilter->currentText().isEmpty())
        m_makerFilter->setCurrentIndex(0);
}

void EditorWindow::showCurrentPosition()
{
    const int row = m_grid->currentIndex().row();
    const Position position = m_positions->position(row);
    m_blockName->setText(position.name);
    if (!m_groupField->lineEdit()->hasFocus())
        m_groupField->setCurrentText(position.group);
    if (!m_price->hasFocus())
        m_price->setText(position.cost ? Numbers::general(*position.cost) : QString());
    m_price->setEnabled(row >= 0);
    m_groupField->setEnabled(row >= 0);
}

void EditorWindow::writeGroupField()
{
    const int row = m_grid->currentIndex().row();
    const QString text = m_groupField->currentText();
    if (row >= 0 && text != m_positions->position(row).group)
        m_positions->setCell(row, PositionsTable::Group, text);
}

void EditorWindow::writePrice()
{
    const int row = m_grid->currentIndex().row();
    if (row < 0)
        return;
    const std::optional<double> cost = m_positions->position(row).cost;
    const QString shown = cost ? Numbers::general(*cost) : QString();
    if (m_price->text() == shown)
        return;
    if (!m_positions->setCell(row, PositionsTable::Cost, m_price->text()))
        m_price->setText(shown);
}

void EditorWindow::requestPicker()
{
    // A row being added is filled by the picker as a new position.
    emit pickerRequested();
}

void EditorWindow::navigate(RecordNavigator::Button button)
{
    if (button == RecordNavigator::Refresh)
        refreshPositions();
    else
        m_grid->navigate(button);
}

QString EditorWindow::currentBlockName() const
{
    return m_blockName->text();
}

void EditorWindow::refreshPositions()
{
    // After leaving there is no working database to read.
    if (m_session.workingDatabasePath().isEmpty())
        return;
    ErrorReport::guard([this] { m_positions->reload(); });
}

void EditorWindow::keepCurrentRow()
{
    const int rows = m_positions->rowCount();
    if (rows == 0 || m_beforeReset.row < 0)
        return;
    int row = m_positions->rowOf(m_beforeReset.key);
    if (row < 0)
        row = qMin(m_beforeReset.row, rows - 1);
    m_grid->setCurrentIndex(m_positions->index(row, qMax(0, m_beforeReset.column)));
}

void EditorWindow::applyViewFilter(const PositionFilter &filter)
{
    m_applyingFilter = true;
    m_session.setViewFilter(filter);
    m_applyingFilter = false;
    if (m_positions->isLoaded()) {
        refreshPositions();
        // The first position shown is the current one, its fields filled.
        if (m_positions->rowCount() > 0)
            m_grid->setCurrentIndex(
                m_positions->index(0, qMax(0, m_grid->currentIndex().column())));
    }
    recomputeTotal();
}

void EditorWindow::groupFilterChanged()
{
    const QString text = m_groupFilter->currentText();
    if (text == Session::kAllGroupsItem) {
        m_actions.saveGroup->setEnabled(false);
        m_makerFilter->setEnabled(true);
        applyViewFilter({});
        return;
    }
    m_actions.saveGroup->setEnabled(true);
    m_makerFilter->setCurrentIndex(0);
    m_makerFilter->setEnabled(false);
    applyViewFilter(text == Session::kUndefinedGroupItem
                        ? PositionFilter{PositionFilter::Kind::UndefinedGroup, {}}
                        : PositionFilter{PositionFilter::Kind::Group, text});
}

void EditorWindow::makerFilterChanged()
{
    const QString text = m_makerFilter->currentText();
    const bool filtered = text != Session::kAllMakersItem;
    m_actions.saveGroup->setEnabled(filtered);
    applyViewFilter(filtered ? PositionFilter{PositionFilter::Kind::Maker, text}
                             : PositionFilter{});
}

void EditorWindow::toggleFilter()
{
    if (m_session.viewFilter().kind != PositionFilter::Kind::All) {
        showAllPositions();
        applyViewFilter({});
        return;
    }
    const QString group = m_groupField->currentText();
    showText(m_groupFilter, group);
    m_actions.saveGroup->setEnabled(true);
    m_makerFilter->setCurrentIndex(0);
    m_makerFilter->setEnabled(false);
    applyViewFilter(group == Session::kUndefinedGroupItem
                        ? PositionFilter{PositionFilter::Kind::UndefinedGroup, {}}
                        : PositionFilter{PositionFilter::Kind::Group, group});
}

void EditorWindow::showUndefinedGroup()
{
    showText(m_groupFilter, Session::kUndefinedGroupItem);
    applyViewFilter({PositionFilter::Kind::UndefinedGroup, {}});
}

void EditorWindow::showAllPositions()
{
    m_makerFilter->setEnabled(true);
    showText(m_groupFilter, Session::kAllGroupsItem);
    showText(m_makerFilter, Session::kAllMakersItem);
}

// A view reset by a command (opening, creating) shows in the boxes too.
void EditorWindow::followViewFilter()
{
    if (m_applyingFilter)
        return;
    if (m_session.viewFilter().kind == PositionFilter::Kind::All)
        showAllPositions();
    if (m_positions->isLoaded())
        refreshPositions();
}

void EditorWindow::recomputeTotal()
{
    if (!m_positions->isLoaded()) {
        m_total->clear();
        return;
    }
    // The sum of what the grid shows, whatever filter chose it.
    double total = 0;
    for (const Position &position : m_positions->rows())
        total += position.quantity.value_or(0);
    m_total->setText(Numbers::general(total));
}

void EditorWindow::leaveEditor()
{
    // What is being typed is kept: in a box, which writes when it loses the
    // focus, and in a cell.
    m_grid->setFocus();
    m_grid->endEdit(true);
    m_positions->clear();
    m_session.working().close();
    hide();
    emit left();
}

void EditorWindow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // The editor is given back when the picker closes.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        activate();
}

void EditorWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Not every desktop activates a window that is shown; showing counts.
    activate();
}

void EditorWindow::activate()
{
    emit activated();
    if (!m_positions->isLoaded()) {
        ErrorReport::guard([this] { m_positions->reload(); });
        if (m_positions->rowCount() > 0)
            m_grid->setCurrentIndex(m_positions->index(0, PositionsModel::Caption));
        m_grid->setFocus();
    }
}

void EditorWindow::closeEvent(QCloseEvent *event)
{
    event->ignore();
    leaveEditor();
}

bool EditorWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        if (auto *edit = qobject_cast<QLineEdit *>(watched);
            edit && m_headerEdits.key(edit, HeaderFields::Count) != HeaderFields::Count) {
            const QString text = edit->text();
            const bool cut = edit->fontMetrics().horizontalAdvance(text) >
                             edit->contentsRect().width() - 2 * edit->textMargins().left() - 6;
            if (cut)
                QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), text, edit);
            else
                QToolTip::hideText();
            return true;
        }
    }
    if (watched == m_firmLabel && event->type() == QEvent::MouseButtonDblClick) {
        m_firmDialog->showFor(m_firmLabel->text());
        return true;
    }
    if ((watched == m_groupField || watched == m_groupField->lineEdit()) &&
        event->type() == QEvent::FocusOut &&
        !m_groupField->isAncestorOf(QApplication::focusWidget()) &&
        QApplication::focusWidget() != m_groupField) {
        writeGroupField();
        m_session.addTypedGroup(m_groupField->currentText());
    }
    return QWidget::eventFilter(watched, event);
}
