#pragma once

#include <QList>
#include <QWidget>

class QToolButton;

// A record navigator under a grid: the buttons it is made with, each
// announcing its press. The buttons take no focus, so that a cell being
// edited can still be posted or cancelled.
class RecordNavigator : public QWidget {
    Q_OBJECT

public:
    enum Button { First, Prior, Last, Insert, Delete, Edit, Post, Cancel, Refresh };

    explicit RecordNavigator(const QList<Button> &buttons, QWidget *parent = nullptr);

signals:
    void pressed(RecordNavigator::Button button);
};
