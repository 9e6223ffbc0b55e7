#pragma once

#include "CadWait.h"

#include <QElapsedTimer>
#include <QPointer>

class QProgressDialog;

// The wait for the CAD program as the user sees it: the wait cursor at once
// and, once the wait lasts, a dialog with "Отмена" that calls it off.
class CadWaitDialog final : public CadWait {
public:
    CadWaitDialog() = default;
    ~CadWaitDialog() override;
    CadWaitDialog(const CadWaitDialog &) = delete;
    CadWaitDialog &operator=(const CadWaitDialog &) = delete;

    void begin(const QString &what) override;
    bool proceed() override;
    void end() override;

private:
    QString m_what;
    QElapsedTimer m_clock;
    QPointer<QProgressDialog> m_dialog;
    bool m_waiting = false;
};
