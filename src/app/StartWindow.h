#pragma once

#include <QMainWindow>
#include <functional>

class CadLink;
class QAction;
class QCheckBox;
class QProgressBar;
class Session;

// The start window "Спецификация: Kvintor": the picture, the progress bar of
// long work and the main menu. It is the main window; closing it leaves the
// program.
class StartWindow : public QMainWindow {
    Q_OBJECT

public:
    StartWindow(Session &session, CadLink &cad, QWidget *parent = nullptr);

    QProgressBar *progressBar() const { return m_progressBar; }

    // Leaves the program: the same for both "Выход" items and the close box.
    // Safe to call more than once.
    void leaveProgram();

    // "Редактировать" comes alive once a specification is being edited.
    void enableEditing();
    // Without a working database no specification can be opened, created or
    // edited: the commands are switched off rather than failing one by one.
    void disableSpecificationCommands();

    // Asked before leaving; false keeps the program running.
    void setLeaveGuard(std::function<bool()> guard) { m_leaveGuard = std::move(guard); }

signals:
    // The window became active (the command-line file is opened then).
    void activated();
    void editRequested();
    void catalogueRequested();
    void openRequested();
    void createRequested();
    void groupsRequested();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildMenu();

    Session &m_session;
    CadLink &m_cad;
    QProgressBar *m_progressBar = nullptr;
    QCheckBox *m_modifiedBox = nullptr;
    QAction *m_editAction = nullptr;
    QAction *m_createAction = nullptr;
    QAction *m_openAction = nullptr;
    bool m_specificationsDisabled = false;
    bool m_left = false;
    std::function<bool()> m_leaveGuard;
};
