#include "PositionsChange.h"

#include "AppError.h"
#include "SqliteSession.h"

namespace {

QByteArray taken(void *buffer, int size)
{
    QByteArray bytes(static_cast<const char *>(buffer), size);
    sqlite3_free(buffer);
    return bytes;
}

} // namespace

PositionsChange PositionsChange::inverted() const
{
    if (isEmpty())
        return {};
    int size = 0;
    void *buffer = nullptr;
    if (sqlite3changeset_invert(int(m_changeset.size()), m_changeset.constData(), &size, &buffer) !=
        SQLITE_OK)
        throw AppError(QStringLiteral("Не удалось обратить правку спецификации."));
    return PositionsChange(taken(buffer, size));
}

PositionsChange PositionsChange::followedBy(const PositionsChange &next) const
{
    if (isEmpty())
        return next;
    if (next.isEmpty())
        return *this;
    int size = 0;
    void *buffer = nullptr;
    QByteArray first = m_changeset;
    QByteArray second = next.m_changeset;
    if (sqlite3changeset_concat(int(first.size()), first.data(), int(second.size()), second.data(),
                                &size, &buffer) != SQLITE_OK)
        throw AppError(QStringLiteral("Не удалось соединить правки спецификации."));
    return PositionsChange(taken(buffer, size));
}
