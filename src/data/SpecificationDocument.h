#pragma once

#include "AppError.h"
#include "HeaderFields.h"
#include "PositionsTable.h"

#include <QDateTime>
#include <QFileDevice>
#include <QObject>
#include <QUndoStack>
#include <memory>
#include <optional>
#include <utility>

class Database;
class SpecificationLock;

// The open specification: its positions (table `data` of the working
// database), its header, the name of its file and the lock on that file,
// and the stack of its edits. Every edit of the positions or the header is
// an undo command on the stack (see commands/), so the specification is
// modified exactly when the stack is away from the step it was saved at.
// What makes the undo and the modified mark whole is also what survives a
// crash: the header, the name and the mark are kept beside the positions in
// the working database as they change, for the next start to bring back.
class SpecificationDocument : public QObject {
    Q_OBJECT

public:
    // The steps the stack keeps; older ones are forgotten, and their memory
    // with them. A step keeps only the rows it touched: a sort of 10,000
    // positions, the largest common step, keeps about half a megabyte.
    static constexpr int kUndoLimit = 100;

    explicit SpecificationDocument(Database &working, QObject *parent = nullptr);
    ~SpecificationDocument() override;

    PositionsTable &positions() { return m_positions; }
    const PositionsTable &positions() const { return m_positions; }
    QUndoStack &undoStack() { return m_undoStack; }

    const HeaderFields &header() const { return m_header; }
    // The header as a file or a new specification brings it: no edit.
    void setHeader(const HeaderFields &header);
    // One field as an edit sets it and as undoing it sets it back.
    void setHeaderField(HeaderFields::Field field, const QString &text);

    // The open specification's file name; empty while none is open.
    const QString &name() const { return m_name; }
    void setName(const QString &name);

    // The lock on the open specification file; none while no file is open,
    // or when it was opened read-only. Setting another lets go of this one.
    SpecificationLock *lock() const { return m_lock.get(); }
    void setLock(std::unique_ptr<SpecificationLock> lock);
    // The permissions the locked file had before this program locked it.
    std::optional<QFileDevice::Permissions> recordedPermissions() const;

    // The specification differs from its file: an edit stands on the stack
    // past the step it was saved at, or it was brought back after a crash.
    bool isModified() const;
    // The specification now equals its file: this step is the saved one.
    void markSaved();
    // A file, a new specification or recovered work takes the document's
    // place: there is no edit to undo. Recovered work is modified.
    void startAfresh(bool modified = false);
    // An undo or redo that the database refused: it changed nothing, but the
    // stack stands on the next step as if it had. The window that stepped
    // tells the user and lets the history go (startAfresh(true)).
    void noteFailure(const AppError &error) { m_failure = error; }
    std::optional<AppError> takeFailure() { return std::exchange(m_failure, std::nullopt); }

    // When the specification last changed (kept for recovery).
    const QDateTime &changedAt() const { return m_changedAt; }

    // What a crashed copy's working database keeps of its document.
    struct Kept {
        QString name;
        HeaderFields header;
        bool modified = false;
        QDateTime changedAt;
    };
    // Reads what the working database at path keeps; nothing when it keeps
    // no document (a database of an earlier version, or an empty one).
    static std::optional<Kept> kept(Database &database);
    // What a crashed copy kept takes the document's place, its positions
    // already copied: its header and the time of its last change, modified,
    // with no edit to undo. The name and the lock follow the file, which
    // the commands look at.
    void takeRecovered(const Kept &kept);

signals:
    void modifiedChanged(bool modified);
    void headerChanged();
    void nameChanged(const QString &name);

private:
    void keep(const QString &field, const QString &value);
    void keepModified();

    Database &m_working;
    PositionsTable m_positions;
    QUndoStack m_undoStack;
    HeaderFields m_header = HeaderFields::defaults();
    QString m_name;
    std::unique_ptr<SpecificationLock> m_lock;
    bool m_recovered = false;
    bool m_modified = false;
    QDateTime m_changedAt;
    std::optional<AppError> m_failure;
};
