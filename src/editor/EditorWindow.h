#pragma once

#include "HeaderFields.h"
#include "PositionFilter.h"
#include "RecordNavigator.h"

#include <QHash>
#include <QWidget>
#include <functional>

class FindDialog;
class FirmNameDialog;
class PositionsModel;
class Prompts;
class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class RowsGrid;
class Session;
class Settings;

// The editor of the open specification: the header, the firm name, the
// filter boxes, the grid of positions with its navigator, the command
// buttons and the total. It works on the session only; the program shows
// it when a specification is opened or created.
class EditorWindow : public QWidget {
    Q_OBJECT

public:
    // The commands of the bottom panel, each a QAction named as its button
    // and shown by it: enabling an action enables its button. A command comes
    // alive with the part of the program that does it; until then its action
    // stays off.
    struct Actions {
        QAction *filter = nullptr;          // SpeedButton12 "Фильтр", done here
        QAction *sort = nullptr;            // SpeedButton7 "Сортировка"
        QAction *updateCatalogue = nullptr; // SpeedButton8 "Обновить базу"
        QAction *addSpecification = nullptr; // SpeedButton6 "Добавить спецификацию"
        QAction *synchronise = nullptr;      // SpeedButton11 "Синхронизация"
        QAction *save = nullptr;      // SpeedButton5 "Сохранить спецификацию"
        QAction *saveGroup = nullptr; // SpeedButton9 "Сохранить группу"
        QAction *exportToCad = nullptr;      // SpeedButton2 "Экспорт в Acad"
        QAction *findBlock = nullptr;        // SpeedButton13 "Поиск блока"
        QAction *exportToWorkbook = nullptr; // SpeedButton3 "Экспорт в Excel"
        QAction *sheet = nullptr;            // SpeedButton1 "Спецификация"
        QAction *estimate = nullptr;         // SpeedButton4 "Смета"
        QAction *deleteZeros = nullptr;      // SpeedButton10 "Удалить нулевые"
        QAction *leave = nullptr;            // Button1 "Выход", done here
        QAction *undo = nullptr;             // "Отменить": the last edit of the stack
        QAction *redo = nullptr;             // "Вернуть": the edit undone last
        QAction *history = nullptr;          // "История правок": the stack, any step
        QAction *saveInPlace = nullptr;      // "Сохранить" (Ctrl+S): over its own file
        QAction *find = nullptr;             // "Найти" (Ctrl+F)
        QAction *replace = nullptr;          // "Заменить" (Ctrl+H)
        QAction *findNext = nullptr;         // F3
        QAction *findPrevious = nullptr;     // Shift+F3
    };

    EditorWindow(Session &session, Settings &settings, Prompts &prompts, QWidget *parent = nullptr);

    const Actions &actions() const { return m_actions; }

    PositionsModel *positions() const { return m_positions; }
    // The block name of the current position, as "Имя блока:" shows it.
    QString currentBlockName() const;
    RowsGrid *grid() const { return m_grid; }
    QProgressBar *progressBar() const { return m_progressBar; }
    FirmNameDialog *firmNameDialog() const { return m_firmDialog; }
    // The group filter box's text, which names the group that is saved.
    QString groupFilterText() const;
    // Shows only the positions of no known group ("Неопределенные").
    void showUndefinedGroup();

    // Leaves the editor: closes the working database and shows the start
    // window again (through left()).
    void leaveEditor();
    // Reads the positions again, staying on the current row.
    void refreshPositions();

signals:
    // The editor became active: the start menu's "Редактировать" comes alive.
    void activated();
    // The editor was left; the start window is to be shown.
    void left();
    // The user double-clicked a position.
    void pickerRequested();

protected:
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void makeActions();
    void makeUndoActions();
    void makeKeyActions();
    // The search of the find dialog, from the current position on.
    void findNext(bool backwards);
    void replaceOne();
    void replaceAll();
    void showHistory();
    // Undoes or redoes through the stack, then lists the groups and makers
    // the positions now have.
    void stepThroughHistory(const std::function<void()> &step);
    // After a step: a failed one is told and the history let go; otherwise
    // the filter lists follow the positions.
    void afterStep();
    QWidget *buildTopPanel();
    QWidget *buildExecutorsFrame();
    QWidget *buildGeneralFrame();
    QWidget *buildBottomPanel();
    QLineEdit *headerEdit(const char *name, HeaderFields::Field field,
                          const QString &accessibleName);
    void showHeader();
    void showLists();
    void showCurrentPosition();
    void writeGroupField();
    void writePrice();
    void navigate(RecordNavigator::Button button);
    void requestPicker();
    void keepCurrentRow();
    void activate();
    void applyViewFilter(const PositionFilter &filter);
    void groupFilterChanged();
    void makerFilterChanged();
    void toggleFilter();
    void showAllPositions();
    void followViewFilter();
    void recomputeTotal();

    Session &m_session;
    Settings &m_settings;
    Actions m_actions;
    PositionsModel *m_positions = nullptr;
    RowsGrid *m_grid = nullptr;
    QLabel *m_firmLabel = nullptr;
    FirmNameDialog *m_firmDialog = nullptr;
    QComboBox *m_groupFilter = nullptr;
    QComboBox *m_makerFilter = nullptr;
    QLineEdit *m_blockName = nullptr;
    QComboBox *m_groupField = nullptr;
    QLineEdit *m_price = nullptr;
    QLineEdit *m_total = nullptr;
    QProgressBar *m_progressBar = nullptr;
    QWidget *m_historyWindow = nullptr;
    FindDialog *m_findDialog = nullptr;
    Prompts &m_prompts;
    QHash<HeaderFields::Field, QLineEdit *> m_headerEdits;
    bool m_applyingFilter = false;
    // Where the grid stood when its rows were last read again.
    struct Place {
        qint64 key = 0;
        int row = -1;
        int column = 0;
    } m_beforeReset;
};
