#pragma once

#include "CadLink.h"

// The link when no CAD program is configured: quiet attaches find nothing and
// everything that needs a drawing says so.
class NoCadLink final : public CadLink {
public:
    bool attachQuietly() override { return false; }
    void attachOrStart() override;
    void makeVisible() override {}
    QString activeDrawingFullName() override;
    void sendCommand(const QString &commandLine) override;
    void release() override {}
};
