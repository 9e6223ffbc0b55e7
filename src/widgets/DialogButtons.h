#pragma once

#include <QString>

class QHBoxLayout;
class QPushButton;
class QWidget;

// The confirm and cancel buttons of a dialog, right-aligned in a row:
// "Button1" (the default button) with okText, and "Button2" "Отмена".
struct DialogButtons {
    DialogButtons(QWidget *dialog, const QString &okText);

    QPushButton *ok = nullptr;
    QPushButton *cancel = nullptr;
    QHBoxLayout *row = nullptr;
};
