#pragma once

#include "HeaderFields.h"
#include "PositionsTable.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>

class Session;

// The ".СО" file of a specification: one value a line, code page 1251, the
// header's twenty stored fields between two marker lines, then eight lines
// for every position (number, group number, name, quantity, unit, caption,
// remark, an empty line). Text that the code page cannot hold makes the whole
// file UTF-8 with a byte-order mark, which the reader recognises; a file
// that is valid UTF-8 without the mark (as Linux editors write it) is read as
// UTF-8 too.
namespace SpecificationFile {

// The layout: the header's lines, then a record of lines for each position.
constexpr int kHeaderLines = 2 + HeaderFields::kStoredCount;
constexpr int kRecordLines = 8;
enum RecordLine { Number, Group, Name, Quantity, Unit, Caption, Comment, Closing };

// The line (from 0) of a record's line; records count from 0.
constexpr qsizetype lineOf(qsizetype record, RecordLine line)
{
    return kHeaderLines + record * kRecordLines + line;
}

// The number of whole records in a file of lineCount lines; the lines of a
// record that lacks its closing line are not read.
constexpr qsizetype recordCount(qsizetype lineCount)
{
    return lineCount < kHeaderLines ? 0 : (lineCount - kHeaderLines) / kRecordLines;
}

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

// A position or group number line: an empty line reads as 0, blanks around
// the number are allowed; nothing when it is no whole number.
std::optional<qint64> wholeNumber(QStringView line);

// Appends value as one line ended by CR LF. A line break inside it (a
// catalogue edited by another tool can hold one) is written as a blank, so
// that every later line keeps its place; the exchange file with the drawing
// is written by the same rule.
void appendLine(QString &text, QStringView value);

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
// one transaction and sets the header, keeping the session's stage; the
// document starts afresh, with no edit to undo. A file that is refused
// changes nothing. Returns the number of positions.
int read(Session &session, const QString &path);

// Writes the session's header and the chosen rows of `data` in the editor's
// order, atomically: when writing fails, the old file stays as it was and
// AppError names the file.
void write(Session &session, const QString &path, Rows rows, EmptyQuantity emptyQuantity);

} // namespace SpecificationFile
