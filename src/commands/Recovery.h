#pragma once

#include "SpecificationCommands.h"
#include "SpecificationDocument.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

class Prompts;
class Session;

// Bringing back the work of a copy of the program that crashed or was
// killed. Its working database holds the positions and, beside them, the
// header, the file name and the modified mark of its specification as they
// were after its last edit. At the next start the user is asked about each
// such database with unsaved work; the one brought back becomes this copy's
// specification, still to be saved. A database holding nothing unsaved is
// deleted without a question.
namespace Recovery {

// A working database that a copy gone from this host left with unsaved work.
struct Unsaved {
    QString database;
    SpecificationDocument::Kept kept;
};

// Takes over the working databases that copies gone from this host left in
// folders. Those with unsaved work come back, the latest change first, held
// by this copy until offer() or letGo() decides on them; the others are
// deleted, and so is one that cannot be read.
QList<Unsaved> findUnsaved(const QStringList &folders);

// "Восстановить несохранённую спецификацию «ИМЯ» (изменена ЧЧ:ММ)?", the
// date added when the change was not made today.
QString question(const Unsaved &unsaved, const QDate &today);

// Asks about each in turn, at the start, while no specification is open.
// "Да" brings it back (recover()) and leaves the rest for a later start:
// the program has one specification. "Нет" deletes it. Done when one was
// brought back, Cancelled when none was. When bringing one back fails, the
// error is thrown, and that database and those not asked about stay.
SpecificationCommands::Outcome offer(Session &session, Prompts &prompts,
                                     const QList<Unsaved> &unsaved, const QDate &today);

// The work becomes the session's specification, modified: the positions
// copied into this copy's working database and completed from the
// catalogue, the header and the name as they were; the file is locked again
// when it is free, named read-only when another copy has it. The crashed
// copy's database is deleted then. A failure throws, leaving that database
// in place and the document empty, as it was at the start.
void recover(Session &session, Prompts &prompts, const Unsaved &unsaved);

// Leaves the databases for a later start.
void letGo(const QList<Unsaved> &unsaved);

} // namespace Recovery
