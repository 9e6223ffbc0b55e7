#pragma once

#include <QTableView>

class PositionsModel;
class Prompts;

// The editor's grid of positions. Moving below the last row appends a new
// position, Ctrl+Delete deletes the current one after a question, and a
// double-click asks for the component picker.
class PositionsGrid : public QTableView {
    Q_OBJECT

public:
    PositionsGrid(Prompts &prompts, QWidget *parent = nullptr);

    void setPositionsModel(PositionsModel *model);
    PositionsModel *positionsModel() const { return m_model; }

    // Asks "Delete record?" and deletes the current position on Yes.
    void deleteCurrentPosition();
    // Ends the edit of the current cell, writing it (keep) or dropping it.
    void endEdit(bool keep);

signals:
    void pickerRequested();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    Prompts &m_prompts;
    PositionsModel *m_model = nullptr;
};
