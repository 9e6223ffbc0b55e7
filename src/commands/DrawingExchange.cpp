#include "DrawingExchange.h"

#include "AppError.h"
#include "AtomicFile.h"
#include "CadLink.h"
#include "CodePage1251.h"
#include "Numbers.h"
#include "PositionsTable.h"
#include "Prompts.h"
#include "Session.h"
#include "SpecificationCommands.h"
#include "SpecificationFile.h"
#include "TextFolding.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

namespace DrawingExchange {
namespace {

const QString kImportCommand = QStringLiteral("(dorvik_import 0)\r");

// The drawing's full name, after attaching to the CAD program or starting
// it; empty, and the user told, when the drawing has no file.
QString attachedDrawing(CadLink &cad, Prompts &prompts)
{
    cad.attachOrStart();
    const QString drawing = cad.activeDrawingFullName();
    if (drawing.isEmpty())
        prompts.notify(kNoDrawingFile);
    return drawing;
}

} // namespace

const QString kNoDrawingFile = QStringLiteral("Невозможно произвсти экспорт данных.");

QString exchangeFilePath(const QString &drawingFullName)
{
    const QFileInfo drawing(drawingFullName);
    const QString name = drawing.fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString base = dot > 0 ? name.left(dot) : name;
    return drawing.dir().filePath(base + QStringLiteral(".tmp"));
}

QByteArray exchangeFile(Session &session)
{
    QStringList lines = SpecificationFile::headerLines(session.header());
    QStringList refused;
    for (const Position &position : session.positions().read()) {
        const QStringList record{Numbers::whole(position.number),
                                 position.name,
                                 position.quantity
                                     ? Numbers::pointForm(Numbers::general(*position.quantity))
                                     : QString(),
                                 position.unit,
                                 position.caption,
                                 position.type,
                                 position.code,
                                 position.maker,
                                 position.mass,
                                 position.comment,
                                 position.group,
                                 QString()};
        if (!CodePage1251::canEncode(record.join(QString())))
            refused
                << QStringLiteral("поз. %1 %2").arg(Numbers::whole(position.number), position.name);
        lines << record;
    }
    if (!CodePage1251::canEncode(lines.mid(0, SpecificationFile::kHeaderLines).join(QString())))
        refused.prepend(QStringLiteral("заголовок"));
    if (!refused.isEmpty())
        throw AppError(QStringLiteral("Программа САПР читает файл обмена в кодовой странице "
                                      "1251, а в нём нет знаков из этих строк:\n") +
                       refused.join(u'\n'));
    QString text = lines.join(QStringLiteral("\r\n"));
    text += QStringLiteral("\r\n");
    return CodePage1251::encode(text);
}

void writeExchangeFile(Session &session, const QString &path)
{
    AtomicFile::write(path, exchangeFile(session),
                      QStringLiteral("Не удалось записать файл обмена с чертежом"));
}

bool exportToDrawing(Session &session, CadLink &cad, Prompts &prompts,
                     const std::function<void()> &beforeSending)
{
    const QString drawing = attachedDrawing(cad, prompts);
    if (drawing.isEmpty())
        return false;
    // Complete and in place before the CAD side is told to read it.
    writeExchangeFile(session, exchangeFilePath(drawing));
    if (beforeSending)
        beforeSending();
    cad.sendCommand(kImportCommand);
    return true;
}

QString findBlockCommand(const QString &blockName)
{
    QString escaped = blockName;
    escaped.replace(u'\\', QStringLiteral("\\\\"));
    escaped.replace(u'"', QStringLiteral("\\\""));
    return QStringLiteral("(Kvintor-findblock \"%1\")\r").arg(escaped);
}

bool findBlock(CadLink &cad, Prompts &prompts, const QString &blockName,
               const std::function<void()> &beforeSending)
{
    if (attachedDrawing(cad, prompts).isEmpty())
        return false;
    if (beforeSending)
        beforeSending();
    cad.sendCommand(findBlockCommand(blockName));
    return true;
}

int synchronise(Session &session, const QString &path)
{
    // Read with every check of the reader, so that a file that is no
    // specification changes nothing.
    const SpecificationFile::Contents contents = SpecificationFile::load(path);
    // The numbers by folded block name, the last record of a name winning.
    QHash<QString, qint64> numbers;
    for (const Position &read : contents.positions)
        numbers.insert(TextFolding::folded(read.name), read.number.value_or(0));

    PositionsTable &table = session.positions();
    const QList<Position> positions = table.read();
    const int total = int(positions.size());
    try {
        table.inTransaction([&] {
            int done = 0;
            for (const Position &position : positions) {
                const qint64 number = numbers.value(TextFolding::folded(position.name), 0);
                if (position.number != number)
                    table.update(position.key, {PositionsTable::Number}, {number});
                session.reportProgress(++done, total);
            }
        });
    } catch (...) {
        session.reportProgress(0, total);
        throw;
    }
    session.reportProgress(0, total);
    return int(contents.positions.size());
}

int synchroniseFrom(Session &session, Prompts &prompts, const QString &path)
{
    const int records = synchronise(session, path);
    // The numbers came from this file: it is the one a save now proposes.
    SpecificationCommands::moveToFile(session, prompts, path);
    return records;
}

} // namespace DrawingExchange
