#include "GlyphIcon.h"

#include <QFont>
#include <QPainter>
#include <QPixmap>

QIcon glyphIcon(const QString &glyph, const QColor &colour)
{
    QIcon icon;
    for (const int size : {16, 20, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::TextAntialiasing);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(size * 3 / 4);
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(colour);
        painter.drawText(pixmap.rect(), Qt::AlignCenter, glyph);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
