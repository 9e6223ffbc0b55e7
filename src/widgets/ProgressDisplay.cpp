#include "ProgressDisplay.h"

#include "Session.h"

#include <QElapsedTimer>
#include <QProgressBar>

namespace {

constexpr qint64 kRepaintMs = 40;

} // namespace

void followProgress(QProgressBar *bar, Session &session)
{
    auto sincePaint = std::make_shared<QElapsedTimer>();
    sincePaint->start();
    QObject::connect(&session, &Session::progress, bar, [bar, sincePaint](int done, int total) {
        bar->setMaximum(qMax(total, 1));
        bar->setValue(done);
        // The end of the work (0) and its last entry always show.
        if (done == 0 || done == total || sincePaint->elapsed() >= kRepaintMs) {
            if (bar->isVisible())
                bar->repaint();
            sincePaint->restart();
        }
    });
}
