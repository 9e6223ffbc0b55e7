#pragma once

#include "PutGood.h"

#include <QDialog>
#include <optional>

class QLabel;
class QPushButton;
class QLineEdit;

// "Позиция уже существует.": shows the position that already holds the good
// and adds the current position's quantity to it.
class DuplicatePositionDialog : public QDialog {
    Q_OBJECT

public:
    explicit DuplicatePositionDialog(QWidget *parent = nullptr);

    // Shows the dialog for duplicate and waits; the total on "ОК", nothing
    // on "Отмена" or the close box.
    std::optional<double> ask(const DuplicatePosition &duplicate);

    // Fills the fields without showing the dialog.
    void fill(const DuplicatePosition &duplicate);
    // The total that "ОК" stores.
    std::optional<double> total() const { return m_total; }

private:
    void recompute();

    QLineEdit *m_caption = nullptr;
    QLineEdit *m_type = nullptr;
    QLineEdit *m_code = nullptr;
    QLineEdit *m_maker = nullptr;
    QLineEdit *m_existing = nullptr;
    QLineEdit *m_increment = nullptr;
    QLineEdit *m_totalField = nullptr;
    QLabel *m_unit = nullptr;
    QLabel *m_name = nullptr;
    QLabel *m_warning = nullptr;
    std::optional<double> m_total;
    QPushButton *m_ok = nullptr;
};
