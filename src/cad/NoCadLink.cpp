#include "NoCadLink.h"

#include "AppError.h"

namespace {

[[noreturn]] void failNoCad()
{
    throw AppError(QStringLiteral(
        "Программа САПР не подключена: в настройках не указана программа связи с САПР "
        "(значение cadBridge)."));
}

} // namespace

void NoCadLink::attachOrStart()
{
    failNoCad();
}

QString NoCadLink::activeDrawingFullName()
{
    failNoCad();
}

void NoCadLink::sendCommand(const QString &)
{
    failNoCad();
}
