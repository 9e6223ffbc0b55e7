#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

// A small button picture drawn from a symbol, so the buttons need no image
// files and stay sharp at any scale.
QIcon glyphIcon(const QString &glyph, const QColor &colour);
