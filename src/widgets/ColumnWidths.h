#pragma once

#include <QList>

class QTableView;

// Gives the view's columns the widths the user last gave them in this
// window, else the defaults (0 leaves the view's own), and keeps each width
// the user sets from then on. They live in the user's settings in the group
// "columns/" and the window's object name ("columns/TForm3"), one value per
// column, named after the column's key (GridModel::ColumnKeyRole), else its number.
void keepColumnWidths(QTableView *view, const QList<int> &defaults);
