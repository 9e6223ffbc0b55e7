#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>

class CadLink;
class Prompts;
class Session;

// The exchange with the drawing open in the CAD program: the export of every
// position into a file beside the drawing for the CAD side's import, the
// position numbers taken back from a file, and the search for a block.
namespace DrawingExchange {

// The message when the drawing has no file to put the exchange file beside.
extern const QString kNoDrawingFile;

// The exchange file of a drawing: beside it, its extension replaced by
// ".tmp" (appended when it has none).
QString exchangeFilePath(const QString &drawingFullName);

// A place of the exchange file ("поз. 3 ВК-160", "заголовок") whose texts
// hold characters that code page 1251 lacks, written in their nearest
// spelling (CodePage1251::kNearestSpellings).
struct Respelled {
    QString place;
    QList<char32_t> characters;
};

// The exchange file: its bytes and what they hold.
struct ExchangeFile {
    QByteArray bytes;
    int positions = 0;
    QList<Respelled> respelled;
};

// "поз. 3 ВК-160: «³» → «3», «Ø» → «диам.»"
QString respelledLine(const Respelled &respelled);

// The exchange file's bytes: the header's lines, then twelve lines a
// position in position order (number, block name, quantity with a point,
// unit, description, type, code, maker, mass, remark, group, an empty line),
// in code page 1251 with CR LF, a value to a line whatever it holds. A
// character the code page lacks is written in its nearest spelling; one
// without throws AppError naming each position and character.
ExchangeFile exchangeFile(Session &session);

// Writes the exchange file to path, whole or not at all.
void writeExchangeFile(const ExchangeFile &file, const QString &path);

// "Экспорт в Acad": attaches to the CAD program or starts it, writes the
// exchange file beside the drawing and, once it is complete, hides the
// program's windows (beforeSending) and sends the import command; then says
// what was written and which positions were respelled. A drawing without a
// file is told and nothing is written. False when nothing was sent.
bool exportToDrawing(Session &session, CadLink &cad, Prompts &prompts,
                     const std::function<void()> &beforeSending);

// The find command for a block: the name as a LISP string, its double quotes
// and backslashes escaped, so that no name can add a command of its own.
QString findBlockCommand(const QString &blockName);

// "Поиск блока": attaches or starts, then sends the find command for
// blockName. A drawing without a file is told and nothing is sent.
bool findBlock(CadLink &cad, Prompts &prompts, const QString &blockName,
               const std::function<void()> &beforeSending);

// Reads path whole with every check of the specification reader and gives
// its position numbers, all or nothing, to the positions by block name
// (letter case ignored); every other position gets 0. A file that is refused
// (no specification, a record cut short, a number that is not whole) changes
// nothing and AppError names its line. Returns the number of records read.
int synchronise(Session &session, const QString &path);

// "Синхронизация" of the open specification: the numbers of path as above,
// then path becomes the specification's file and takes its lock
// (SpecificationCommands::moveToFile). Returns the number of records read.
int synchroniseFrom(Session &session, Prompts &prompts, const QString &path);

} // namespace DrawingExchange
