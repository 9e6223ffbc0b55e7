#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class Session;

// What a designer must mend in an opened specification before its sheets
// can be trusted: block names the catalogue does not know, and positions
// that fall into no group of the group order (the editor's "Неопределенные").
namespace SpecificationCheck {

struct Position {
    qint64 number = 0;
    QString name;
};

struct Findings {
    // In the order of the positions, each name once (letter case ignored).
    QStringList unknownNames;
    // In the editor's order.
    QList<Position> ungrouped;
};

// The session's specification must be read and reconciled; the session's
// group order must be loaded. Throws AppError when a database cannot be read.
Findings examine(Session &session);

} // namespace SpecificationCheck
