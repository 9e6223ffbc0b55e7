#include "SpecificationDocument.h"

#include "Database.h"
#include "SpecificationLock.h"
#include "WorkingDatabase.h"

namespace {

const QString kName = QStringLiteral("Name");
const QString kModified = QStringLiteral("Modified");
const QString kChangedAt = QStringLiteral("ChangedAt");

QString headerKey(int field)
{
    return QStringLiteral("Header%1").arg(field);
}

} // namespace

SpecificationDocument::SpecificationDocument(Database &working, QObject *parent)
    : QObject(parent), m_working(working), m_positions(working)
{
    m_undoStack.setUndoLimit(kUndoLimit);
    connect(&m_undoStack, &QUndoStack::cleanChanged, this, [this] { keepModified(); });
    // Every step changes what the next start would bring back.
    connect(&m_undoStack, &QUndoStack::indexChanged, this, [this] {
        m_changedAt = QDateTime::currentDateTime();
        keep(kChangedAt, m_changedAt.toString(Qt::ISODateWithMs));
    });
}

SpecificationDocument::~SpecificationDocument()
{
    // The stack's last signals, as it empties, are nothing to keep.
    m_undoStack.disconnect(this);
}

void SpecificationDocument::setHeader(const HeaderFields &header)
{
    if (header == m_header)
        return;
    m_header = header;
    for (int field = 0; field < HeaderFields::Count; ++field)
        keep(headerKey(field), m_header.texts[field]);
    emit headerChanged();
}

void SpecificationDocument::setHeaderField(HeaderFields::Field field, const QString &text)
{
    if (m_header[field] == text)
        return;
    m_header[field] = text;
    keep(headerKey(field), text);
    emit headerChanged();
}

void SpecificationDocument::setName(const QString &name)
{
    if (name == m_name)
        return;
    m_name = name;
    keep(kName, name);
    emit nameChanged(name);
}

void SpecificationDocument::setLock(std::unique_ptr<SpecificationLock> lock)
{
    m_lock = std::move(lock);
    WorkingDatabase::recordOpenFile(m_working.file(), m_lock ? m_lock->path() : QString());
}

std::optional<QFileDevice::Permissions> SpecificationDocument::recordedPermissions() const
{
    if (!m_lock)
        return std::nullopt;
    return m_lock->recordedPermissions();
}

bool SpecificationDocument::isModified() const
{
    return m_recovered || !m_undoStack.isClean();
}

void SpecificationDocument::markSaved()
{
    m_recovered = false;
    m_undoStack.setClean();
    keepModified();
}

void SpecificationDocument::startAfresh(bool modified)
{
    m_undoStack.clear();
    m_recovered = modified;
    keepModified();
}

void SpecificationDocument::takeRecovered(const Kept &kept)
{
    setHeader(kept.header);
    startAfresh(true);
    // Bringing the work back is no change of it: should this copy crash in
    // turn, the next start names the time the user last changed it.
    m_changedAt = kept.changedAt;
    keep(kChangedAt, m_changedAt.toString(Qt::ISODateWithMs));
}

void SpecificationDocument::keepModified()
{
    const bool modified = isModified();
    keep(kModified, modified ? QStringLiteral("1") : QStringLiteral("0"));
    if (modified == m_modified)
        return;
    m_modified = modified;
    emit modifiedChanged(modified);
}

void SpecificationDocument::keep(const QString &field, const QString &value)
{
    // Without a working database (the program could make none, or it is
    // gone as the program leaves) there is nothing to bring back.
    if (m_working.file().isEmpty())
        return;
    // What is kept only serves a start after a crash; a database that takes
    // no note fails the edits themselves, which say so.
    try {
        m_working.open();
        m_working.exec(
            QStringLiteral("INSERT OR REPLACE INTO document (Field, Value) VALUES (?, ?)"),
            {field, value});
    } catch (const AppError &) {
    }
}

std::optional<SpecificationDocument::Kept> SpecificationDocument::kept(Database &database)
{
    database.open();
    if (database
            .scalar(QStringLiteral("SELECT 1 FROM sqlite_schema WHERE type = 'table' AND "
                                   "name = 'document'"))
            .isNull())
        return std::nullopt;
    QSqlQuery rows = database.exec(QStringLiteral("SELECT Field, Value FROM document"));
    Kept kept;
    kept.header = HeaderFields::defaults();
    bool any = false;
    while (rows.next()) {
        any = true;
        const QString field = rows.value(0).toString();
        const QString value = rows.value(1).toString();
        if (field == kName)
            kept.name = value;
        else if (field == kModified)
            kept.modified = value == QStringLiteral("1");
        else if (field == kChangedAt)
            kept.changedAt = QDateTime::fromString(value, Qt::ISODate);
        else if (field.startsWith(QStringLiteral("Header"))) {
            bool ok = false;
            const int place = field.mid(6).toInt(&ok);
            if (ok && place >= 0 && place < HeaderFields::Count)
                kept.header.texts[place] = value;
        }
    }
    return any ? std::optional(kept) : std::nullopt;
}
