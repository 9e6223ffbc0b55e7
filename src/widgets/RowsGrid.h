#pragma once

#include "RecordNavigator.h"

#include <QTableView>

class Prompts;
class RowsModel;

// A grid over a RowsModel in the manner of the program's windows: moving
// below the last row appends a row, Ctrl+Delete deletes the current one after
// a question, the focused cell of a coloured row is drawn black, and the
// unit column offers the usual units while taking any text.
class RowsGrid : public QTableView {
    Q_OBJECT

public:
    RowsGrid(Prompts &prompts, QWidget *parent = nullptr);

    // unitColumn is the column whose editor offers the units, or -1.
    void setRowsModel(RowsModel *model, int unitColumn, const QList<int> &columnWidths);
    RowsModel *rowsModel() const { return m_model; }

    // Asks "Delete record?" and deletes the current row on Yes.
    void deleteCurrentRow();
    // Ends the edit of the current cell, writing it (keep) or dropping it.
    void endEdit(bool keep);
    // Carries out a navigator button's move or edit on this grid; Refresh
    // is the window's own business.
    void navigate(RecordNavigator::Button button);

signals:
    void rowDoubleClicked();
    void currentRowChanged(int row);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    Prompts &m_prompts;
    RowsModel *m_model = nullptr;
};
