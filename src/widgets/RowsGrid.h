#pragma once

#include "RecordNavigator.h"

#include <QTableView>

class Prompts;
class GridModel;
class RowDelegate;

// A grid over a GridModel in the manner of the program's windows: moving
// below the last row appends a row, which is stored only when something is
// typed into it (leaving it blank, Escape or the navigator's cancel take it
// away again); Ctrl+Delete deletes the current row after a question; a value
// the model refuses keeps its cell in editing with the typed text; every
// cell shows one line, cut short with "…" and shown whole in its tooltip;
// the focused cell of a coloured row is drawn black; and the unit column
// offers the usual units while taking any text.
class RowsGrid : public QTableView {
    Q_OBJECT

public:
    RowsGrid(Prompts &prompts, QWidget *parent = nullptr);

    // unitColumn is the column whose editor offers the units, or -1. The
    // widths are the defaults: the user's own widths are kept per window
    // (keepColumnWidths).
    void setRowsModel(GridModel *model, int unitColumn, const QList<int> &columnWidths);
    GridModel *rowsModel() const { return m_model; }

    // Asks "Удалить запись?" (the grid's own question, in Russian) and deletes the current row on
    // Yes; a row added and still blank goes without a question.
    void deleteCurrentRow();
    // Ends the edit of the current cell, writing it (keep) or dropping it.
    // False when the cell stays in editing because its value was refused.
    bool endEdit(bool keep);
    // Takes away the row being added, if the current row is one.
    void cancelInsert();
    // Carries out a navigator button's move or edit on this grid; Refresh
    // is the window's own business.
    void navigate(RecordNavigator::Button button);

signals:
    void rowDoubleClicked();
    // Insert or F4: the user asks for a good for the current row.
    void pickRequested();
    void currentRowChanged(int row);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void commitData(QWidget *editor) override;
    void closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    void appendRow();
    void dropLeftInsert();
    void reopenEditor(const QPersistentModelIndex &index, const QString &text);

    Prompts &m_prompts;
    GridModel *m_model = nullptr;
    RowDelegate *m_delegate = nullptr;
    bool m_committing = false;
};
