#include "CadLink.h"

#include "BridgeCadLink.h"
#include "NoCadLink.h"

std::unique_ptr<CadLink> CadLink::create(const QString &bridgeProgram)
{
    if (bridgeProgram.trimmed().isEmpty())
        return std::make_unique<NoCadLink>();
    return std::make_unique<BridgeCadLink>(bridgeProgram.trimmed());
}
