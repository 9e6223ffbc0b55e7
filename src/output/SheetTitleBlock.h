#pragma once

#include "HeaderFields.h"
#include "PageCanvas.h"

#include <QList>
#include <QRectF>
#include <QString>

// A text of the title block as it prints: its box on the page, in
// millimetres from the top left corner of the printable area.
struct SheetLabel {
    QRectF box;
    QString text;
    TextStyle style;
    int flags = 0;
};

// The title block (stamp) in the bottom right corner of every sheet: on the
// first sheet the full block with the project data, the executors, the
// stage and the number of sheets; on every later sheet the narrow follow-on
// block with the document code and the sheet number.
namespace SheetTitleBlock {

// The band at the foot of every page that holds the block starts this far
// below the top of the printable area (287 high) and reaches its bottom.
inline constexpr double kBandTop = 287.0 - 60.1;

// The texts of the block of page (from 0) of a sheet of pages pages.
QList<SheetLabel> labels(const HeaderFields &header, const QString &firm, int page, int pages);

// Paints the block of page: its ruled grid and its texts.
void paint(PageCanvas &canvas, const HeaderFields &header, const QString &firm, int page,
           int pages);

} // namespace SheetTitleBlock
