#pragma once

#include <QDialog>

// "О программе": the program's name and version, the day it was built and
// the libraries it runs with, in a text that can be copied into a letter.
class AboutDialog : public QDialog {
    Q_OBJECT

public:
    explicit AboutDialog(QWidget *parent = nullptr);
};
