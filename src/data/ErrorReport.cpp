#include "ErrorReport.h"

#include "AppError.h"

#include <cstdio>

namespace ErrorReport {
namespace {

Sink &currentSink()
{
    static Sink sink;
    return sink;
}

} // namespace

void setSink(Sink sink)
{
    currentSink() = std::move(sink);
}

void show(const QString &message)
{
    if (currentSink())
        currentSink()(message);
    else
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

bool guard(const std::function<void()> &command)
{
    try {
        command();
        return true;
    } catch (const Cancelled &) {
        // The user asked for the end; there is nothing to tell.
    } catch (const AppError &error) {
        show(error.fullText());
    } catch (const std::exception &error) {
        show(QString::fromLocal8Bit(error.what()));
    }
    return false;
}

} // namespace ErrorReport
