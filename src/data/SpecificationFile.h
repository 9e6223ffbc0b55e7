#pragma once

#include "AppError.h"
#include "HeaderFields.h"
#include "PositionsTable.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <functional>
#include <memory>
#include <optional>

class QIODevice;
class Session;

// The ".СО" file of a specification: one value a line, code page 1251, the
// header's twenty stored fields between two marker lines, then eight lines
// for every position (number, group number, name, quantity, unit, caption,
// remark, an empty line). Text that the code page cannot hold makes the whole
// file UTF-8 with a byte-order mark, which the reader recognises; a file
// that is valid UTF-8 without the mark (as Linux editors write it) is read as
// UTF-8 too.
namespace SpecificationFile {

class LineSource;

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

// Reads a file a record at a time, so that a file of any size takes little
// memory. The constructor reads it through once: it finds the encoding,
// reads the header and counts the records, and refuses what the layout
// cannot hold (no markers, a header or a last record cut short). next()
// then reads and checks the records in turn. Either throws AppError naming
// the file and the line (from 1) at fault; positions given before the fault
// are the caller's to drop.
class Reader {
public:
    // Reads the file at path.
    explicit Reader(const QString &path);
    // Reads bytes, a file's contents; path names it in messages.
    Reader(const QByteArray &bytes, const QString &path);
    ~Reader();
    Reader(const Reader &) = delete;
    Reader &operator=(const Reader &) = delete;

    // The stored fields; the stage is not in the file and stays empty.
    const HeaderFields &header() const { return m_header; }
    // The number of records the file holds.
    qsizetype count() const { return m_count; }
    // Reads the next record into position: the fields the file holds
    // (numbers, name, quantity, unit, description, remark), the rest empty
    // until reconciliation. False after the last record.
    bool next(Position &position);

private:
    void scan();
    QString decoded(QByteArrayView line) const;
    AppError refused(qsizetype index, QStringView line, const QString &message) const;

    QString m_path;
    std::unique_ptr<QIODevice> m_device;
    std::unique_ptr<LineSource> m_lines;
    bool m_utf8 = true;
    qint64 m_recordsStart = 0; // the offset of the first record's first line
    HeaderFields m_header;
    qsizetype m_count = 0;
    qsizetype m_read = 0;
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

// Reads path whole and parses it. Throws AppError naming path and, for a
// bad content, the line.
Contents load(const QString &path);

// Stored positions come in batches of this many: few enough to take little
// memory, enough that a batch's look-ups cost little each.
constexpr int kBatch = 256;

// Completes a batch of positions read from a file before they are stored.
using Completion = std::function<void(QList<Position> &batch)>;

// Reads path and checks it while it replaces every row of `data` in one
// transaction; sets the header, keeping the session's stage, and the
// document starts afresh, with no edit to undo. complete, when given, gets
// every batch of positions before they are stored. A file that is refused,
// or a failure of complete, changes nothing. Progress goes to the session,
// one step per position stored. Returns the number of positions.
int read(Session &session, const QString &path, const Completion &complete = {});

// Writes the session's header and the chosen rows of `data` in the editor's
// order, atomically: when writing fails, the old file stays as it was and
// AppError names the file.
void write(Session &session, const QString &path, Rows rows, EmptyQuantity emptyQuantity);

} // namespace SpecificationFile
