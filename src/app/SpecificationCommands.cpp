#include "SpecificationCommands.h"

#include "ErrorReport.h"
#include "PickerFilter.h"
#include "Prompts.h"
#include "Reconciliation.h"
#include "Session.h"
#include "SpecificationFile.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace SpecificationCommands {

const QString kReadOnlySuffix = QStringLiteral(" [Только для чтения]");
const QString kNewSpecificationName = QStringLiteral("Новая спецификация.");

namespace {

constexpr QFileDevice::Permissions kWritePermissions =
    QFileDevice::WriteOwner | QFileDevice::WriteUser | QFileDevice::WriteGroup |
    QFileDevice::WriteOther;
constexpr QFileDevice::Permissions kNormalPermissions =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr int kCaptionLength = 100;

const QString kExtension = QStringLiteral(".СО");

// The lock and the read-only mark are the owner's write permission, what the
// read-only attribute was to the program's first users; the effective right
// would not do, as it is always granted to the administrator.
bool isReadOnly(const QString &path)
{
    return !(QFile::permissions(path) & QFileDevice::WriteOwner);
}

// The permissions kept with the file. The "user" bits are the current user's
// rights, which Qt reports as granted to the administrator even on a
// read-only file, and giving them back would make it writable.
QFileDevice::Permissions storedPermissions(const QString &path)
{
    return QFile::permissions(path) &
           ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);
}

void setPermissions(const QString &name, QFileDevice::Permissions permissions)
{
    if (!name.isEmpty() && QFileInfo(name).isFile())
        QFile::setPermissions(name, permissions);
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
    return QStringLiteral("Сохранить спецификацию ") + session.specificationName() +
           QStringLiteral(" ?");
}

// Unsaved changes are never dropped without a question: Done when the
// command may go on (saved or not wanted), otherwise what the save gave.
Outcome offerToSave(Session &session, Prompts &prompts)
{
    if (!session.isModified() || !prompts.confirm(savingQuestion(session)))
        return Outcome::Done;
    return save(session, prompts);
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
    const QString folder = folderOf(session.specificationName());
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
            readOnly = isReadOnly(target);
        }
        if (readOnly &&
            (rule == ReadOnlyTargets::RefuseAll || target != session.specificationName())) {
            prompts.notify(QStringLiteral("Файл доступен ТОЛЬКО ДЛЯ ЧТЕНИЯ!"));
            continue;
        }
        return target;
    }
}

// Reads path and makes it the open specification under name. The file is
// read and checked before anything else is touched, so a bad one leaves the
// open specification, its name and its lock as they were.
void load(Session &session, const QString &path, const QString &name)
{
    SpecificationFile::read(session, path);
    // Opening the open file again finds our own lock on it; what it had
    // before the lock is what it must get back.
    if (path != session.specificationName()) {
        const QFileDevice::Permissions own = storedPermissions(path);
        release(session, session.specificationName());
        session.setRecordedPermissions(own);
    }
    session.setSpecificationName(name);
    lock(name);
    Reconciliation::reconcile(session);
    // The specification now equals its file.
    session.setModified(false);
}

Outcome failedUnless(bool succeeded)
{
    return succeeded ? Outcome::Done : Outcome::Failed;
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

void lock(const QString &name)
{
    setPermissions(name, storedPermissions(name) & ~kWritePermissions);
}

void release(const Session &session, const QString &name)
{
    setPermissions(name, session.recordedPermissions().value_or(kNormalPermissions));
}

Outcome open(Session &session, Prompts &prompts, const QString &startFolder)
{
    if (const Outcome saved = offerToSave(session, prompts); saved != Outcome::Done)
        return saved;
    const QString chosen = prompts.chooseFileToOpen(startFolder);
    if (chosen.isEmpty())
        return Outcome::Cancelled;
    // The open file is read-only by our own lock; it is not asked about.
    const bool readOnly = chosen != session.specificationName() && isReadOnly(chosen);
    if (readOnly &&
        !prompts.confirm(QStringLiteral("Файл доступен ТОЛЬКО ДЛЯ ЧТЕНИЯ! Продолжить?")))
        return Outcome::Cancelled;
    return failedUnless(ErrorReport::guard(
        [&] { load(session, chosen, readOnly ? chosen + kReadOnlySuffix : chosen); }));
}

Outcome openFromCommandLine(Session &session)
{
    const QString file = session.commandLineFile();
    if (file.isEmpty() || !QFileInfo(file).isFile())
        return Outcome::Cancelled;
    const bool opened = ErrorReport::guard(
        [&] { load(session, file, isReadOnly(file) ? file + kReadOnlySuffix : file); });
    // A file that failed is tried again at the next activation.
    if (opened)
        session.setCommandLineFile({});
    return failedUnless(opened);
}

Outcome create(Session &session, Prompts &prompts)
{
    if (const Outcome saved = offerToSave(session, prompts); saved != Outcome::Done)
        return saved;
    return failedUnless(ErrorReport::guard([&] {
        // The catalogue comes first: when it cannot be read, the open
        // specification stays.
        const QStringList pickerGroups = PickerFilter::groupList(session.catalogue());
        session.working().open();
        const Database &db = session.working();
        db.inTransaction([&] {
            db.exec(QStringLiteral("DELETE FROM data"));
            db.exec(QStringLiteral("INSERT INTO data (Name, Caption, KOL, Abb, POZ, NG, Comment) "
                                   "VALUES (?, ?, ?, ?, ?, ?, ?)"),
                    {QStringLiteral("0"), QStringLiteral("Описание"), 0, QStringLiteral("Шт"), 0, 0,
                     QStringLiteral("")});
        });
        session.setLists({Session::kUndefinedGroupItem, Session::kAllGroupsItem},
                         {Session::kAllMakersItem}, pickerGroups.mid(1));
        session.setPickerGroupList(pickerGroups);
        session.setViewFilter({});
        release(session, session.specificationName());
        session.setSpecificationName(kNewSpecificationName);
    }));
}

Outcome save(Session &session, Prompts &prompts)
{
    session.setViewFilter({});
    const QString current = session.specificationName();
    // Overwriting the open file must not meet our own lock.
    release(session, current);
    const QString target = chooseTarget(session, prompts, current, ReadOnlyTargets::AllowCurrent);
    if (target.isEmpty()) {
        lock(current);
        return Outcome::Cancelled;
    }
    const bool written = ErrorReport::guard([&] {
        SpecificationFile::write(session, target, SpecificationFile::Rows::All,
                                 SpecificationFile::EmptyQuantity::Zero);
    });
    if (!written) {
        lock(current);
        return Outcome::Failed;
    }
    // The target is now the open file; what it gets back on release is what
    // it has now, before the lock.
    session.setRecordedPermissions(storedPermissions(target));
    session.setSpecificationName(target);
    session.setModified(false);
    lock(target);
    return Outcome::Done;
}

Outcome saveGroup(Session &session, Prompts &prompts, const QString &groupFilterText)
{
    const QString target =
        chooseTarget(session, prompts, groupFilterText, ReadOnlyTargets::RefuseAll);
    if (target.isEmpty())
        return Outcome::Cancelled;
    return failedUnless(ErrorReport::guard([&] {
        SpecificationFile::write(session, target, SpecificationFile::Rows::Shown,
                                 SpecificationFile::EmptyQuantity::Zero);
    }));
}

Outcome saveOnLeaving(Session &session, Prompts &prompts)
{
    session.setViewFilter({});
    const QString current = session.specificationName();
    release(session, current);
    if (!session.isModified() || !prompts.confirm(savingQuestion(session)))
        return Outcome::Done;
    const QString target = chooseTarget(session, prompts, current, ReadOnlyTargets::AllowCurrent);
    // The program stays: the open file is locked again.
    if (target.isEmpty()) {
        lock(current);
        return Outcome::Cancelled;
    }
    if (!ErrorReport::guard([&] {
            SpecificationFile::write(session, target, SpecificationFile::Rows::All,
                                     SpecificationFile::EmptyQuantity::EmptyLine);
        })) {
        lock(current);
        return Outcome::Failed;
    }
    return Outcome::Done;
}

} // namespace SpecificationCommands
