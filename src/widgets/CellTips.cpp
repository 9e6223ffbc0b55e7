#include "CellTips.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QStyle>
#include <QToolTip>

namespace {

class WholeTextTips : public QObject {
public:
    explicit WholeTextTips(QAbstractItemView *view) : QObject(view), m_view(view)
    {
        view->viewport()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_view->viewport() || event->type() != QEvent::ToolTip)
            return false;
        const auto *help = static_cast<QHelpEvent *>(event);
        const QModelIndex index = m_view->indexAt(help->pos());
        const QString text = index.data(Qt::DisplayRole).toString();
        const QRect cell = m_view->visualRect(index);
        if (text.isEmpty() || fits(text, index, cell.width()))
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text, m_view->viewport(), cell);
        return true;
    }

private:
    // As the style lays out a cell's text: a margin at either side.
    bool fits(const QString &text, const QModelIndex &index, int width) const
    {
        const QVariant font = index.data(Qt::FontRole);
        const QFontMetrics metrics(font.isValid() ? font.value<QFont>() : m_view->font());
        const int margin =
            m_view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_view) + 1;
        return metrics.horizontalAdvance(text) <= width - 2 * margin;
    }

    QAbstractItemView *m_view;
};

} // namespace

void showWholeTextInTips(QAbstractItemView *view)
{
    new WholeTextTips(view);
}
