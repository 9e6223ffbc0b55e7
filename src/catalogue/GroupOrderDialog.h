#pragma once

#include <QDialog>
#include <QStringList>

class Prompts;
class QColor;
class QLineEdit;
class QListWidget;
class QPushButton;
class Session;

// "Порядок групп.": the user puts the groups in the order in which the
// specification numbers them, adds, renames and deletes groups. The list it
// shows is the session's group order list, which the GroupOrder commands
// change at once, because numbering reads that list whether or not "OK"
// later writes the order into the catalogue. Renames and deletions reach the
// catalogue when made. The dialog does not block the other windows; it is
// hidden, never destroyed.
class GroupOrderDialog : public QDialog {
    Q_OBJECT

public:
    GroupOrderDialog(Session &session, Prompts &prompts, QWidget *parent = nullptr);

    // Shows the session's group order list with its first group selected and
    // returns at once. The buttons keep the state the previous use left.
    void open() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPushButton *addCommandButton(const char *name, const QString &text, const QString &glyph,
                                  const QColor &colour);
    void groupSelected(int row);
    void moveUp();
    void moveDown();
    void addGroup();
    void renameGroup();
    void removeGroup();
    void writeOrder();

    // Moves the selected group from one place to another, keeping it selected.
    void moveSelected(int from, int to);
    // Shows the session's group order list with the group at selected
    // selected (-1: none).
    void showOrder(int selected);
    // Selects a row without the consequences of a selection by the user.
    void selectQuietly(int row);
    void showSelectedName();
    QStringList groups() const;

    Session &m_session;
    Prompts &m_prompts;
    QListWidget *m_list = nullptr;
    QLineEdit *m_nameEdit = nullptr;
    QPushButton *m_upButton = nullptr;
    QPushButton *m_downButton = nullptr;
    QPushButton *m_applyButton = nullptr;
};
