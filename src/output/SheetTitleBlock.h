#pragma once

#include "HeaderFields.h"
#include "PageCanvas.h"

#include <QList>
#include <QString>

// A text of the title block as it prints: laid out in the size it prints in,
// its lines from top down between left and right, in millimetres from the
// top left corner of the printable area.
struct SheetLabel {
    double left = 0;
    double right = 0;
    double top = 0;
    QString text; // as given
    TextBlock block;
    Qt::Alignment align = Qt::AlignLeft;
};

// The title block (stamp) in the bottom right corner of every sheet: on the
// first sheet the full block with the project data, the executors, the
// stage and the number of sheets; on every later sheet the narrow follow-on
// block with the document code and the sheet number. Its texts are laid out
// once for all pages.
class SheetTitleBlock {
public:
    // The band at the foot of every page that holds the block starts this
    // far below the top of the printable area (287 high) and reaches its
    // bottom.
    static constexpr double kBandTop = 287.0 - 60.1;

    SheetTitleBlock(const HeaderFields &header, const QString &firm, int pages);

    // The texts of the block of page (from 0).
    QList<SheetLabel> labels(int page) const;

    // Paints the block of page: its ruled grid and its texts.
    void paint(PageCanvas &canvas, int page) const;

private:
    QList<SheetLabel> m_firstSheet;
    QList<SheetLabel> m_followOn; // without the sheet number
};
