#include "GlyphIcon.h"

#include <QFont>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>

namespace {

// Draws the glyph at whatever size and pixel ratio the icon is asked for, so
// that it stays sharp on a screen at 200% as at 100%.
class GlyphIconEngine final : public QIconEngine {
public:
    GlyphIconEngine(QString glyph, QColor colour)
        : m_glyph(std::move(glyph)), m_colour(std::move(colour))
    {
    }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State) override
    {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(qMax(1, rect.height() * 3 / 4));
        font.setBold(true);
        painter->save();
        painter->setRenderHint(QPainter::TextAntialiasing);
        painter->setFont(font);
        QColor colour = m_colour;
        if (mode == QIcon::Disabled)
            colour.setAlpha(90);
        painter->setPen(colour);
        painter->drawText(rect, Qt::AlignCenter, m_glyph);
        painter->restore();
    }

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1.0);
    }

    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override
    {
        QPixmap pixmap(size * scale);
        pixmap.setDevicePixelRatio(scale);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return pixmap;
    }

    QIconEngine *clone() const override { return new GlyphIconEngine(m_glyph, m_colour); }

private:
    QString m_glyph;
    QColor m_colour;
};

} // namespace

QIcon glyphIcon(const QString &glyph, const QColor &colour)
{
    return QIcon(new GlyphIconEngine(glyph, colour));
}
