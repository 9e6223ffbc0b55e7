#pragma once

#include <QString>
#include <functional>

class Prompts;
class Session;
class SpecificationDocument;

// Opening, creating and saving specifications, and the file part of leaving.
// The open specification file is locked (SpecificationLock), so that another
// running copy sees it as read-only and asks before opening it; every file
// this program lets go of gets back the permissions it had.
// A command throws AppError when it fails, having changed nothing that it
// could not carry through; the action that runs it shows the error through
// guarded(). The outcome tells the window what happened.
namespace SpecificationCommands {

enum class Outcome {
    Done,      // the command did its work
    Cancelled, // the user said No or cancelled a dialog; nothing was lost
    Failed     // guarded(): an error was shown; see each command for what stays
};

// The one guard of a user action: runs command and shows the error it
// throws, which makes the outcome Failed.
Outcome guarded(const std::function<Outcome()> &command);

// Added to the name of a specification opened from a read-only file.
extern const QString kReadOnlySuffix;
// The name of a specification that has no file yet.
extern const QString kNewSpecificationName;

// "Редактирование спецификации: " and the name, a long one shortened to its
// end from a folder separator on.
QString editorCaption(const QString &name);

// The text with its extension replaced by ".СО" (or ".СО" appended).
QString presetFileName(const QString &text);

// The open command: asks to save unsaved changes, lets the user choose a
// file in startFolder, asks before opening a read-only one, then reads it
// whole, moves the lock to it and reconciles it with the catalogue. A bad
// file changes nothing.
Outcome open(Session &session, Prompts &prompts, const QString &startFolder);

// Opens path as the open command opens the file chosen in its dialog (a
// recent file): unsaved changes offered first, a read-only file asked about.
Outcome openPath(Session &session, Prompts &prompts, const QString &path);

// Opens the file named on the command line without questions, unless a
// specification brought back after a crash is open: that one is offered to
// be saved first, or kept when it is the same file. The file is forgotten
// only once it has been opened; Cancelled when there is none.
Outcome openFromCommandLine(Session &session, Prompts &prompts);

// A new specification with one default position, after asking to save
// unsaved changes. The header and the modified flag stay.
Outcome create(Session &session, Prompts &prompts);

// The save command: all positions to a chosen file, which becomes the open
// specification and takes the lock. The view filter is switched off.
Outcome save(Session &session, Prompts &prompts);

// Ctrl+S: a specification with a file of its own, locked by this copy, is
// written over it at once; any other (new, read-only) goes through the save
// command's dialog.
Outcome saveInPlace(Session &session, Prompts &prompts);

// Writes the positions the view filter shows to a chosen file; the file is
// preset from groupFilterText. Nothing else changes.
Outcome saveGroup(Session &session, Prompts &prompts, const QString &groupFilterText);

// The file part of leaving: releases the open file and, when there are
// unsaved changes and the user wants, writes them. Done means the program may
// leave; Cancelled or Failed mean it stays, with the lock back on.
Outcome saveOnLeaving(Session &session, Prompts &prompts);

// The open specification takes path as its file, as a save under a new name
// does: the lock moves to it (a lock left by a copy that is gone is cleared
// first, and the user told when prompts are given); when another running copy holds it, the
// specification is named read-only and keeps no lock.
void moveToFile(SpecificationDocument &document, Prompts *prompts, const QString &path);

// The document takes name back as undoing an edit that moved it gives it:
// a file's lock again, or no lock for a read-only or new specification.
void takeName(SpecificationDocument &document, const QString &name);

// Reads path as opening does, without the lock and the questions: the file
// into the positions and the header, each position completed from the
// catalogue as it is read, and the lists rebuilt (the headless twin). A
// file that is refused, or a catalogue that cannot be read, changes nothing.
// With mayGoWithout, a catalogue server that cannot be reached completes
// nothing instead; the message for the user saying so is returned (empty
// when the positions were completed).
QString readInto(Session &session, const QString &path, bool mayGoWithout = false);

// Writes every position to target as the save command does, refusing a
// target that another running copy holds (the headless twin).
void writeCopy(Session &session, const QString &target);

} // namespace SpecificationCommands
