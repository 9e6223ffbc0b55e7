#pragma once

#include <QWidget>

class QToolButton;

// The record navigator under the grid: first, last, insert, delete, post,
// cancel and refresh. The buttons take no focus, so that a cell being
// edited can still be posted or cancelled.
class RecordNavigator : public QWidget {
    Q_OBJECT

public:
    explicit RecordNavigator(QWidget *parent = nullptr);

signals:
    void firstRequested();
    void lastRequested();
    void insertRequested();
    void deleteRequested();
    void postRequested();
    void cancelRequested();
    void refreshRequested();

private:
    QToolButton *addButton(const char *name, const QString &glyph, const QString &hint);
};
