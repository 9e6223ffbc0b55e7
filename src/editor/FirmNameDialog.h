#pragma once

#include <QDialog>

class QLineEdit;

// The small dialog in which the user types the firm name printed on the
// documents. It does not block the editor.
class FirmNameDialog : public QDialog {
    Q_OBJECT

public:
    explicit FirmNameDialog(QWidget *parent = nullptr);

    // Shows the dialog with name in its field.
    void showFor(const QString &name);

signals:
    void firmNameChosen(const QString &name);

private:
    QLineEdit *m_nameEdit = nullptr;
};
