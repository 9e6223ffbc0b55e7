#include "ColumnWidths.h"

#include "GridModel.h"

#include <QHeaderView>
#include <QSet>
#include <QSettings>
#include <QTableView>
#include <QTimer>

namespace {

// The settings of the user, where Settings keeps "path" and "firma".
constexpr char kOrganization[] = "Kvintor";
// A drag resizes a column many times a second; the width is written once it
// rests.
constexpr int kSaveDelayMs = 500;

class WidthKeeper : public QObject {
public:
    WidthKeeper(QTableView *view, const QList<int> &defaults) : QObject(view)
    {
        const QWidget *window = view->window();
        m_group = QStringLiteral("columns/") +
                  (window->objectName().isEmpty() ? view->objectName() : window->objectName());
        const int columns = view->horizontalHeader()->count();
        for (int column = 0; column < columns; ++column) {
            const QVariant key =
                view->model()->headerData(column, Qt::Horizontal, GridModel::ColumnKeyRole);
            m_names << (key.isValid() ? key.toString() : QString::number(column));
        }

        QSettings settings(QSettings::NativeFormat, QSettings::UserScope,
                           QLatin1String(kOrganization));
        settings.setFallbacksEnabled(false);
        settings.beginGroup(m_group);
        for (int column = 0; column < columns; ++column) {
            bool ok = false;
            const int saved = settings.value(m_names[column]).toInt(&ok);
            const int width = ok && saved > 0 ? saved : defaults.value(column);
            if (width > 0)
                view->setColumnWidth(column, width);
            m_widths << view->columnWidth(column);
        }

        m_timer.setSingleShot(true);
        m_timer.setInterval(kSaveDelayMs);
        connect(&m_timer, &QTimer::timeout, this, &WidthKeeper::save);
        connect(view->horizontalHeader(), &QHeaderView::sectionResized, this,
                &WidthKeeper::resized);
    }

    ~WidthKeeper() override { save(); }

private:
    void resized(int column, int, int width)
    {
        // A hidden column is no width of the user's.
        if (column < 0 || column >= m_widths.size() || width <= 0)
            return;
        m_widths[column] = width;
        m_changed.insert(column);
        m_timer.start();
    }

    void save()
    {
        m_timer.stop();
        if (m_changed.isEmpty())
            return;
        QSettings settings(QSettings::NativeFormat, QSettings::UserScope,
                           QLatin1String(kOrganization));
        settings.setFallbacksEnabled(false);
        settings.beginGroup(m_group);
        // Only the columns the user sized: the others keep following the
        // program's defaults.
        for (const int column : std::as_const(m_changed))
            settings.setValue(m_names[column], m_widths[column]);
        m_changed.clear();
    }

    QString m_group;
    QStringList m_names;
    QList<int> m_widths;
    QSet<int> m_changed;
    QTimer m_timer;
};

} // namespace

void keepColumnWidths(QTableView *view, const QList<int> &defaults)
{
    new WidthKeeper(view, defaults);
}
