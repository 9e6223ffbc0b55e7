#pragma once

#include "HeaderFields.h"
#include "PositionsTable.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class Session;

// The ".СО" file of a specification: one value a line, code page 1251, the
// header's twenty stored fields between two marker lines, then eight lines
// for every position (number, group number, name, quantity, unit, caption,
// remark, an empty line). Text that the code page cannot hold makes the whole
// file UTF-8 with a byte-order mark, which the reader recognises; a file
// that is valid UTF-8 without the mark (as Linux editors write it) is read as
// UTF-8 too.
namespace SpecificationFile {

// Which positions of table `data` a save writes.
enum class Rows {
    All,
    Shown // those the editor's view filter shows (the group save)
};

// How a position without a quantity is written.
enum class EmptyQuantity {
    Zero,     // "0": the save command and the group save
    EmptyLine // an empty line: the save on leaving the program
};

struct Contents {
    HeaderFields header; // the stage is not in the file and stays empty
    // The fields the file holds: numbers, name, quantity, unit, description
    // and remark; the rest stays empty until reconciliation.
    QList<Position> positions;
};

// Parses and checks the bytes of a whole file. Throws AppError naming path
// and the line (from 1) at fault.
Contents parse(const QByteArray &bytes, const QString &path);

// The header's lines as a file holds them: the first marker, the twenty
// stored fields, the second marker.
QStringList headerLines(const HeaderFields &header);

// The lines of a file in the layout of specification files, in whichever
// encoding it was written (code page 1251, UTF-8 with or without its mark),
// line ends of any kind. Throws AppError naming path when it is neither.
QStringList lines(const QByteArray &bytes, const QString &path);

// Reads path whole. Throws AppError naming path when it cannot be read.
QByteArray readBytes(const QString &path);

// Reads path whole and parses it. Throws AppError naming path and, for a
// bad content, the line.
Contents load(const QString &path);

// Reads path whole and checks it; only then replaces every row of `data` in
// one transaction and sets the header, keeping the session's stage. A file
// that is refused changes nothing. Returns the number of positions.
int read(Session &session, const QString &path);

// Writes the session's header and the chosen rows of `data` in the editor's
// order, atomically: when writing fails, the old file stays as it was and
// AppError names the file.
void write(Session &session, const QString &path, Rows rows, EmptyQuantity emptyQuantity);

} // namespace SpecificationFile
