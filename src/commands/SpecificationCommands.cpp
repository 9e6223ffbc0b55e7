#include "SpecificationCommands.h"

#include "AppError.h"
#include "Catalogue.h"
#include "Database.h"
#include "ErrorReport.h"
#include "Prompts.h"
#include "Reconciliation.h"
#include "Session.h"
#include "SpecificationFile.h"
#include "SpecificationLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace SpecificationCommands {

const QString kReadOnlySuffix = QStringLiteral(" [Только для чтения]");
const QString kNewSpecificationName = QStringLiteral("Новая спецификация.");

namespace {

constexpr int kCaptionLength = 100;

const QString kExtension = QStringLiteral(".СО");
const QString kReadOnlyQuestion = QStringLiteral("Файл доступен ТОЛЬКО ДЛЯ ЧТЕНИЯ! Продолжить?");

// A lock left by a copy that crashed would keep the file read-only for
// good; it is cleared, and the user is told why the file is writable again.
void clearAbandonedLock(Prompts *prompts, const QString &path)
{
    const std::optional<QString> owner = SpecificationLock::clearAbandoned(path);
    if (owner && prompts)
        prompts->notify(QStringLiteral("Файл %1 оставался заблокированным программой, которая "
                                       "уже не работает (%2). Блокировка снята, права файла "
                                       "восстановлены.")
                            .arg(QDir::toNativeSeparators(path), *owner));
}

// Where the extension of a file name starts: its last full stop after the
// last folder separator or drive colon; -1 without one.
qsizetype extensionStart(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    const qsizetype separator =
        std::max({name.lastIndexOf(u'/'), name.lastIndexOf(u'\\'), name.lastIndexOf(u':')});
    return dot > separator ? dot : -1;
}

QString savingQuestion(const Session &session)
{
    return QStringLiteral("Сохранить спецификацию ") + session.document().name() +
           QStringLiteral(" ?");
}

// Unsaved changes are never dropped without a question: Done when the
// command may go on (saved or not wanted), otherwise what the save gave.
Outcome offerToSave(Session &session, Prompts &prompts)
{
    if (!session.document().isModified())
        return Outcome::Done;
    switch (prompts.ask(savingQuestion(session))) {
    case Prompts::Answer::Yes:
        return save(session, prompts);
    case Prompts::Answer::No:
        return Outcome::Done;
    case Prompts::Answer::Cancel:
        break;
    }
    return Outcome::Cancelled;
}

// The save dialog starts where the open file is, read-only or not.
QString folderOf(QString name)
{
    if (name.endsWith(kReadOnlySuffix))
        name.chop(kReadOnlySuffix.size());
    const QFileInfo file(name);
    return file.isFile() ? file.absolutePath() : QString();
}

enum class ReadOnlyTargets {
    AllowCurrent, // the open file itself, read-only by our own lock, may be overwritten
    RefuseAll
};

// Lets the user choose the file to write until one may be written: a name
// without extension gets ".СО", an existing file is overwritten only after a
// Yes, a read-only one is refused. Empty when the user cancels.
QString chooseTarget(const Session &session, Prompts &prompts, const QString &presetText,
                     ReadOnlyTargets rule)
{
    const QString preset = presetFileName(presetText);
    QString folder = folderOf(session.document().name());
    if (folder.isEmpty())
        folder = session.lastFolder();
    for (;;) {
        QString target = prompts.chooseFileToSave(folder, QFileInfo(preset).fileName());
        if (target.isEmpty())
            return {};
        if (extensionStart(target) < 0)
            target += kExtension;
        bool readOnly = false;
        if (QFileInfo::exists(target)) {
            if (!prompts.confirm(QStringLiteral("Переписать файл ") + target +
                                 QStringLiteral(" ?")))
                continue;
            clearAbandonedLock(&prompts, target);
            readOnly = SpecificationLock::isReadOnly(target);
        }
        if (readOnly &&
            (rule == ReadOnlyTargets::RefuseAll || target != session.document().name())) {
            prompts.notify(QStringLiteral("Файл доступен ТОЛЬКО ДЛЯ ЧТЕНИЯ!"));
            continue;
        }
        return target;
    }
}

// Reads path and makes it the open specification, locked when the lock can
// be had; without it the file opens read-only, after the question when
// askReadOnly. The file is read and checked before anything else is touched,
// so a bad one leaves the open specification, its name and its lock as they
// were.
Outcome openFile(Session &session, Prompts &prompts, const QString &path, bool askReadOnly);

// Writes every position to target; over the locked open file, our own lock
// steps aside while it is written.
void writeAll(Session &session, const QString &target,
              SpecificationFile::EmptyQuantity emptyQuantity)
{
    const auto write = [&] {
        SpecificationFile::write(session, target, SpecificationFile::Rows::All, emptyQuantity);
    };
    SpecificationLock *own = session.document().lock();
    if (own && own->path() == target)
        own->whileWritable(write);
    else
        write();
}

} // namespace

QString editorCaption(const QString &name)
{
    QString shortened = name;
    if (name.size() > kCaptionLength) {
        shortened = name.right(kCaptionLength + 1);
        const auto separator = std::find_if(shortened.cbegin(), shortened.cend(),
                                            [](QChar c) { return c == u'/' || c == u'\\'; });
        if (separator != shortened.cend())
            shortened = shortened.mid(separator - shortened.cbegin());
        shortened.prepend(QStringLiteral("..."));
    }
    return QStringLiteral("Редактирование спецификации: ") + shortened;
}

QString presetFileName(const QString &text)
{
    const qsizetype start = extensionStart(text);
    return (start < 0 ? text : text.left(start)) + kExtension;
}

Outcome openPath(Session &session, Prompts &prompts, const QString &path)
{
    if (const Outcome saved = offerToSave(session, prompts); saved != Outcome::Done)
        return saved;
    return openFile(session, prompts, path, true);
}

Outcome open(Session &session, Prompts &prompts, const QString &startFolder)
{
    if (const Outcome saved = offerToSave(session, prompts); saved != Outcome::Done)
        return saved;
    const QString chosen = prompts.chooseFileToOpen(startFolder);
    if (chosen.isEmpty())
        return Outcome::Cancelled;
    return openFile(session, prompts, chosen, true);
}

Outcome openFromCommandLine(Session &session, Prompts &prompts)
{
    const QString file = session.commandLineFile();
    // A file that is gone is no more asked for; one that is there but no
    // plain file (a folder, a pipe) is refused by the reader with its reason.
    if (file.isEmpty() || !QFileInfo::exists(file))
        return Outcome::Cancelled;
    // Brought back after a crash, the file is open already with the work
    // that was not saved; reading it again would lose that work.
    QString open = session.document().name();
    if (open.endsWith(kReadOnlySuffix))
        open.chop(kReadOnlySuffix.size());
    if (file == open) {
        session.setCommandLineFile({});
        return Outcome::Done;
    }
    // Another specification brought back is not dropped without a question.
    if (const Outcome saved = offerToSave(session, prompts); saved != Outcome::Done)
        return saved;
    const Outcome outcome = openFile(session, prompts, file, false);
    // A file that failed is tried again at the next activation.
    if (outcome == Outcome::Done)
        session.setCommandLineFile({});
    return outcome;
}

namespace {

Outcome openFile(Session &session, Prompts &prompts, const QString &path, bool askReadOnly)
{
    // The open file again: it is ours, and our lock stays on it.
    if (path == session.document().name()) {
        const QString unavailable = readInto(session, path, true);
        session.document().markSaved();
        if (!unavailable.isEmpty())
            prompts.notify(unavailable);
        return Outcome::Done;
    }
    clearAbandonedLock(&prompts, path);
    std::unique_ptr<SpecificationLock> lock = SpecificationLock::take(path);
    if (!lock && askReadOnly && !prompts.confirm(kReadOnlyQuestion))
        return Outcome::Cancelled;
    // A file that cannot be read gives its lock back on the way out.
    const QString unavailable = readInto(session, path, true);
    const QString name = lock ? path : path + kReadOnlySuffix;
    session.document().setLock(std::move(lock));
    session.document().setName(name);
    // The specification now equals its file.
    session.document().markSaved();
    if (!unavailable.isEmpty())
        prompts.notify(unavailable);
    return Outcome::Done;
}

} // namespace

Outcome create(Session &session, Prompts &prompts)
{
    if (const Outcome saved = offerToSave(session, prompts); saved != Outcome::Done)
        return saved;
    // The catalogue comes first: when it cannot be read, the open
    // specification stays.
    QStringList groups;
    try {
        groups = session.goods().goodsGroups();
    } catch (const AppError &) {
        // The office's server down: a new specification needs no good of it.
        if (!session.catalogueOnServer())
            throw;
    }
    Position first;
    first.name = QStringLiteral("0");
    first.caption = QStringLiteral("Описание");
    first.quantity = 0;
    first.unit = QStringLiteral("Шт");
    first.number = 0;
    first.groupNumber = 0;
    first.comment = QStringLiteral("");
    session.document().positions().replaceAll({first});
    session.document().startAfresh();
    session.setLists({Session::kUndefinedGroupItem, Session::kAllGroupsItem},
                     {Session::kAllMakersItem}, groups);
    session.setPickerGroupList(QStringList{Session::kAllGroupsItem} + groups);
    session.setViewFilter({});
    session.document().setLock(nullptr);
    session.document().setName(kNewSpecificationName);
    return Outcome::Done;
}

Outcome save(Session &session, Prompts &prompts)
{
    session.setViewFilter({});
    const QString target =
        chooseTarget(session, prompts, session.document().name(), ReadOnlyTargets::AllowCurrent);
    if (target.isEmpty())
        return Outcome::Cancelled;
    writeAll(session, target, SpecificationFile::EmptyQuantity::Zero);
    // The target is now the open file, and the lock moves to it.
    if (!session.document().lock() || session.document().lock()->path() != target)
        session.document().setLock(SpecificationLock::take(target));
    session.document().setName(target);
    session.document().markSaved();
    return Outcome::Done;
}

Outcome saveInPlace(Session &session, Prompts &prompts)
{
    SpecificationDocument &document = session.document();
    const SpecificationLock *lock = document.lock();
    if (!lock || lock->path() != document.name())
        return save(session, prompts);
    writeAll(session, document.name(), SpecificationFile::EmptyQuantity::Zero);
    document.markSaved();
    return Outcome::Done;
}

Outcome saveGroup(Session &session, Prompts &prompts, const QString &groupFilterText)
{
    const QString target =
        chooseTarget(session, prompts, groupFilterText, ReadOnlyTargets::RefuseAll);
    if (target.isEmpty())
        return Outcome::Cancelled;
    SpecificationFile::write(session, target, SpecificationFile::Rows::Shown,
                             SpecificationFile::EmptyQuantity::Zero);
    return Outcome::Done;
}

Outcome saveOnLeaving(Session &session, Prompts &prompts)
{
    session.setViewFilter({});
    const Prompts::Answer answer = session.document().isModified()
                                       ? prompts.ask(savingQuestion(session))
                                       : Prompts::Answer::No;
    // "Отмена": the program stays, and so does the lock.
    if (answer == Prompts::Answer::Cancel)
        return Outcome::Cancelled;
    if (answer == Prompts::Answer::Yes) {
        const QString target = chooseTarget(session, prompts, session.document().name(),
                                            ReadOnlyTargets::AllowCurrent);
        // The program stays, and so does the lock.
        if (target.isEmpty())
            return Outcome::Cancelled;
        writeAll(session, target, SpecificationFile::EmptyQuantity::EmptyLine);
    }
    session.document().setLock(nullptr);
    return Outcome::Done;
}

void moveToFile(SpecificationDocument &document, Prompts *prompts, const QString &path)
{
    const QString bare = document.name().endsWith(kReadOnlySuffix)
                             ? document.name().chopped(kReadOnlySuffix.size())
                             : document.name();
    if (path == bare && document.lock())
        return;
    clearAbandonedLock(prompts, path);
    std::unique_ptr<SpecificationLock> lock = SpecificationLock::take(path);
    const QString name = lock ? path : path + kReadOnlySuffix;
    document.setLock(std::move(lock));
    document.setName(name);
}

void takeName(SpecificationDocument &document, const QString &name)
{
    if (!name.endsWith(kReadOnlySuffix) && QFileInfo(name).isFile()) {
        moveToFile(document, nullptr, name);
        return;
    }
    document.setLock(nullptr);
    document.setName(name);
}

QString readInto(Session &session, const QString &path, bool mayGoWithout)
{
    // Each batch of positions is completed from the catalogue as it is read,
    // so that it is stored once, whole, and the lists come from the same
    // pass. The catalogue is asked first: without it, nothing changes.
    Reconciliation::Pass pass(session, mayGoWithout);
    SpecificationFile::read(session, path, [&](QList<Position> &batch) { pass.complete(batch); });
    pass.finish();
    return pass.unavailable();
}

void writeCopy(Session &session, const QString &target)
{
    // A running program keeps its open file read-only; writing over it would
    // take the file from under that program.
    if (QFileInfo::exists(target) && SpecificationLock::isReadOnly(target))
        throw AppError(QStringLiteral("Файл доступен ТОЛЬКО ДЛЯ ЧТЕНИЯ!"), target);
    SpecificationFile::write(session, target, SpecificationFile::Rows::All,
                             SpecificationFile::EmptyQuantity::Zero);
}

Outcome guarded(const std::function<Outcome()> &command)
{
    Outcome outcome = Outcome::Failed;
    ErrorReport::guard([&] { outcome = command(); });
    return outcome;
}

} // namespace SpecificationCommands
