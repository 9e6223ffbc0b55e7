#pragma once

#include <QMainWindow>
#include <functional>

class CadLink;
class QAction;
class QMenu;
class QProgressBar;
class Session;

// The start window "Спецификация: Kvintor": the picture, the progress bar of
// long work and the main menu. It is the main window; closing it leaves the
// program.
class StartWindow : public QMainWindow {
    Q_OBJECT

public:
    // The menu's commands, each a QAction named as its item. Both "Выход"
    // items close the window; the program does the others.
    struct Actions {
        QAction *create = nullptr;        // N7 "Создать спецификацию"
        QAction *open = nullptr;          // DB1 "Открыть  спецификацию"
        QAction *edit = nullptr;          // N3 "Редактировать"
        QAction *leaveFromFile = nullptr; // N10 "Выход" in "Файл"
        QAction *catalogue = nullptr;     // N5 "База товара"
        QAction *groups = nullptr;        // Gruppa "Группы"
        QAction *leave = nullptr;         // N1 "Выход" in the menu bar
        QAction *guide = nullptr;         // "Руководство пользователя" (F1) in "Справка"
        QAction *about = nullptr;         // "О программе" in "Справка"
    };

    StartWindow(Session &session, CadLink &cad, QWidget *parent = nullptr);

    const Actions &actions() const { return m_actions; }
    QProgressBar *progressBar() const { return m_progressBar; }

    // Leaves the program: the same for both "Выход" items and the close box.
    // Safe to call more than once.
    void leaveProgram();

    // The "Последние файлы" submenu of "Файл", filled each time it opens.
    QMenu *recentMenu() const { return m_recentMenu; }
    // The files it lists, the newest first; a chosen one is sent by
    // recentFileChosen().
    void setRecentFiles(const QStringList &files);

    // "Редактировать" comes alive once a specification is being edited.
    void enableEditing();
    // Without a working database no specification can be opened, created or
    // edited: the commands are switched off rather than failing one by one.
    void disableSpecificationCommands();

    // Asked before leaving; false keeps the program running.
    void setLeaveGuard(std::function<bool()> guard) { m_leaveGuard = std::move(guard); }

signals:
    void recentFileChosen(const QString &path);
    // The window became active (the command-line file is opened then).
    void activated();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void makeActions();
    void buildMenu();

    Session &m_session;
    CadLink &m_cad;
    QProgressBar *m_progressBar = nullptr;
    Actions m_actions;
    QMenu *m_recentMenu = nullptr;
    bool m_specificationsDisabled = false;
    bool m_left = false;
    std::function<bool()> m_leaveGuard;
};
