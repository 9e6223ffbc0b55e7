#include "CadWaitDialog.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>

namespace {

// A CAD program that answers within this time shows only the wait cursor.
constexpr int kDialogAfterMs = 500;

} // namespace

CadWaitDialog::~CadWaitDialog()
{
    if (m_waiting)
        end();
}

void CadWaitDialog::begin(const QString &what)
{
    m_what = what;
    m_clock.start();
    m_waiting = true;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

bool CadWaitDialog::proceed()
{
    if (!m_dialog && m_clock.hasExpired(kDialogAfterMs)) {
        m_dialog = new QProgressDialog(QApplication::activeWindow());
        m_dialog->setObjectName(QStringLiteral("CadWaitDialog"));
        m_dialog->setWindowTitle(QStringLiteral("Ожидание программы САПР"));
        m_dialog->setAccessibleName(QStringLiteral("Ожидание программы САПР"));
        m_dialog->setLabelText(m_what);
        auto *cancel = new QPushButton(QStringLiteral("Отмена"));
        cancel->setObjectName(QStringLiteral("CadWaitCancel"));
        cancel->setAccessibleName(QStringLiteral("Отмена"));
        m_dialog->setCancelButton(cancel);
        m_dialog->setRange(0, 0);
        if (auto *bar = m_dialog->findChild<QProgressBar *>())
            bar->setAccessibleName(QStringLiteral("Ожидание ответа"));
        // The windows stay as they were until the CAD program answers.
        m_dialog->setWindowModality(Qt::ApplicationModal);
        m_dialog->setAutoClose(false);
        m_dialog->setAutoReset(false);
        m_dialog->setMinimumDuration(0);
        m_dialog->setMinimumWidth(360);
        m_dialog->show();
        // The arrow over "Отмена", busy all the same.
        QGuiApplication::changeOverrideCursor(Qt::BusyCursor);
    }
    // Until the dialog shields them, the windows repaint but take no clicks:
    // a command started now would run inside this one.
    QCoreApplication::processEvents(m_dialog ? QEventLoop::AllEvents
                                             : QEventLoop::ExcludeUserInputEvents);
    return !m_dialog || !m_dialog->wasCanceled();
}

void CadWaitDialog::end()
{
    if (!m_waiting)
        return;
    m_waiting = false;
    delete m_dialog;
    QGuiApplication::restoreOverrideCursor();
}
