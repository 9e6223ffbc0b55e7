#pragma once

class QAbstractItemView;

// Shows a cell's whole text in its tooltip when the cell is too narrow for
// it and cuts it short with "…"; a cell that shows its text whole has no
// tooltip.
void showWholeTextInTips(QAbstractItemView *view);
