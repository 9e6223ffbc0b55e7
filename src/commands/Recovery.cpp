#include "Recovery.h"

#include "AppError.h"
#include "Database.h"
#include "Prompts.h"
#include "Reconciliation.h"
#include "Session.h"
#include "SpecificationLock.h"
#include "WorkingDatabase.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <algorithm>

namespace Recovery {

namespace {

using SpecificationCommands::kNewSpecificationName;
using SpecificationCommands::kReadOnlySuffix;
using SpecificationCommands::Outcome;

// A path longer than this is named by its file name alone in the question,
// which a message box would otherwise stretch across the screen.
constexpr qsizetype kLongPath = 60;

// The file the work belongs to, without the read-only mark; a new
// specification's name for work that had no file.
QString fileOf(const SpecificationDocument::Kept &kept)
{
    QString path = kept.name;
    if (path.endsWith(kReadOnlySuffix))
        path.chop(kReadOnlySuffix.size());
    return path.isEmpty() ? kNewSpecificationName : path;
}

// The work's file takes it back as opening it would: locked when it is
// free, named read-only when another running copy has it. A new
// specification stays new, and a file gone since keeps its name for the
// save dialog to propose.
void takeFile(SpecificationDocument &document, Prompts &prompts, const QString &path)
{
    if (path != kNewSpecificationName && QFileInfo(path).isFile()) {
        SpecificationCommands::moveToFile(document, &prompts, path);
        return;
    }
    document.setLock(nullptr);
    document.setName(path);
}

// The document as the start leaves it: no positions, no file, nothing to
// save.
void empty(SpecificationDocument &document)
{
    try {
        document.positions().replaceAll({});
    } catch (const AppError &) {
        // The error that brought us here is the one to report.
    }
    document.setHeader(HeaderFields::defaults());
    document.setLock(nullptr);
    document.setName({});
    document.startAfresh();
}

} // namespace

QList<Unsaved> findUnsaved(const QStringList &folders)
{
    QList<Unsaved> found;
    for (const QString &path : WorkingDatabase::takeAbandoned(folders)) {
        std::optional<SpecificationDocument::Kept> kept;
        try {
            Database database(QStringLiteral("crashed:") + path);
            database.setFile(path);
            kept = SpecificationDocument::kept(database);
        } catch (const AppError &) {
            // A database that cannot be read holds nothing to bring back.
        }
        if (!kept || !kept->modified) {
            WorkingDatabase::remove(path);
            continue;
        }
        if (!kept->changedAt.isValid())
            kept->changedAt = QFileInfo(path).lastModified();
        found << Unsaved{path, *kept};
    }
    std::stable_sort(found.begin(), found.end(), [](const Unsaved &a, const Unsaved &b) {
        if (a.kept.changedAt != b.kept.changedAt)
            return a.kept.changedAt > b.kept.changedAt;
        return QFileInfo(a.database).lastModified() > QFileInfo(b.database).lastModified();
    });
    return found;
}

QString question(const Unsaved &unsaved, const QDate &today)
{
    const QString path = fileOf(unsaved.kept);
    QString name = QDir::toNativeSeparators(path);
    if (name.size() > kLongPath)
        name = QFileInfo(path).fileName();
    const QDateTime &changed = unsaved.kept.changedAt;
    const QString time = changed.toString(
        changed.date() == today ? QStringLiteral("HH:mm") : QStringLiteral("dd.MM.yyyy HH:mm"));
    return QStringLiteral("Восстановить несохранённую спецификацию «%1» (изменена %2)?")
        .arg(name, time);
}

Outcome offer(Session &session, Prompts &prompts, const QList<Unsaved> &unsaved, const QDate &today)
{
    qsizetype next = 0;
    // Those not asked about, and one that could not be brought back, stay.
    const auto keepTheRest = qScopeGuard([&] { letGo(unsaved.mid(next)); });
    for (; next < unsaved.size(); ++next) {
        if (!prompts.confirm(question(unsaved[next], today))) {
            WorkingDatabase::remove(unsaved[next].database);
            continue;
        }
        recover(session, prompts, unsaved[next]);
        ++next;
        return Outcome::Done;
    }
    return Outcome::Cancelled;
}

void recover(Session &session, Prompts &prompts, const Unsaved &unsaved)
{
    SpecificationDocument &document = session.document();
    try {
        document.positions().replaceAllFrom(unsaved.database);
        document.takeRecovered(unsaved.kept);
        takeFile(document, prompts, fileOf(unsaved.kept));
        Reconciliation::reconcile(session);
    } catch (const AppError &error) {
        empty(document);
        throw AppError(QStringLiteral("Несохранённую спецификацию не удалось восстановить, она "
                                      "будет предложена при следующем запуске.\n") +
                           error.message(),
                       error.file(), error.line());
    } catch (...) {
        empty(document);
        throw;
    }
    WorkingDatabase::remove(unsaved.database);
}

void letGo(const QList<Unsaved> &unsaved)
{
    for (const Unsaved &each : unsaved)
        WorkingDatabase::letGo(each.database);
}

} // namespace Recovery
