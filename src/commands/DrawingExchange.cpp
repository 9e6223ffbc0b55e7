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
#include "SynchroniseEdit.h"
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

// A message lists this many places at most, so that its OK stays on the
// screen.
constexpr qsizetype kListedPlaces = 15;

QString listed(const QStringList &places)
{
    if (places.size() <= kListedPlaces)
        return places.join(u'\n');
    return places.first(kListedPlaces).join(u'\n') +
           QStringLiteral("\n… и ещё позиций: %1").arg(places.size() - kListedPlaces);
}

QString positionPlace(const Position &position)
{
    const QString number = Numbers::whole(position.number);
    return QStringLiteral("поз. %1 %2")
        .arg(number.isEmpty() ? QStringLiteral("б/н") : number, position.name)
        .trimmed();
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

QString respelledLine(const Respelled &respelled)
{
    QStringList characters;
    for (const char32_t character : respelled.characters) {
        const CodePage1251::Spelling spelling =
            CodePage1251::nearestSpelling(QStringView(QChar::fromUcs4(character)));
        characters << QStringLiteral("«%1» → «%2»")
                          .arg(QStringView(QChar::fromUcs4(character)).toString(), spelling.text);
    }
    return respelled.place + QStringLiteral(": ") + characters.join(QStringLiteral(", "));
}

ExchangeFile exchangeFile(Session &session)
{
    ExchangeFile file;
    QString text;
    QStringList refused;
    // Every value through the code page's nearest spellings, one line each.
    const auto writePlace = [&](const QString &place, const QStringList &values) {
        Respelled respelled{place, {}};
        QList<char32_t> missing;
        for (const QString &value : values) {
            const CodePage1251::Spelling spelling = CodePage1251::nearestSpelling(value);
            SpecificationFile::appendLine(text, spelling.text);
            for (const char32_t character : spelling.respelled) {
                if (!respelled.characters.contains(character))
                    respelled.characters << character;
            }
            for (const char32_t character : spelling.missing) {
                if (!missing.contains(character))
                    missing << character;
            }
        }
        if (!respelled.characters.isEmpty())
            file.respelled << respelled;
        if (!missing.isEmpty()) {
            QStringList names;
            for (const char32_t character : missing)
                names << CodePage1251::characterName(character);
            refused << place + QStringLiteral(": ") + names.join(QStringLiteral(", "));
        }
    };

    writePlace(QStringLiteral("заголовок"),
               SpecificationFile::headerLines(session.document().header()));
    for (const Position &position : session.document().positions().read()) {
        writePlace(positionPlace(position),
                   {Numbers::whole(position.number), position.name,
                    position.quantity ? Numbers::pointForm(Numbers::general(*position.quantity))
                                      : QString(),
                    position.unit, position.caption, position.type, position.code, position.maker,
                    position.mass, position.comment, position.group, QString()});
        ++file.positions;
    }
    if (!refused.isEmpty())
        throw AppError(QStringLiteral("Программа САПР читает файл обмена в кодовой странице 1251. "
                                      "Этих знаков в ней нет, и замены им не предусмотрено:\n") +
                       listed(refused));
    file.bytes = CodePage1251::encode(text);
    return file;
}

void writeExchangeFile(const ExchangeFile &file, const QString &path)
{
    AtomicFile::write(path, file.bytes,
                      QStringLiteral("Не удалось записать файл обмена с чертежом"));
}

bool exportToDrawing(Session &session, CadLink &cad, Prompts &prompts,
                     const std::function<void()> &beforeSending)
{
    const QString drawing = attachedDrawing(cad, prompts);
    if (drawing.isEmpty())
        return false;
    // Complete and in place before the CAD side is told to read it.
    const QString path = exchangeFilePath(drawing);
    const ExchangeFile file = exchangeFile(session);
    writeExchangeFile(file, path);
    if (beforeSending)
        beforeSending();
    cad.sendCommand(kImportCommand);

    QString notice = QStringLiteral("Файл обмена %1 записан, позиций: %2. Программе САПР "
                                    "передана команда импорта.")
                         .arg(QDir::toNativeSeparators(path))
                         .arg(file.positions);
    if (!file.respelled.isEmpty()) {
        QStringList lines;
        for (const Respelled &respelled : file.respelled)
            lines << respelledLine(respelled);
        notice += QStringLiteral("\n\nЗнаки, которых нет в кодовой странице 1251, записаны "
                                 "ближайшим написанием:\n") +
                  listed(lines);
    }
    prompts.notify(notice);
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

    PositionsTable &table = session.document().positions();
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
    SpecificationDocument &document = session.document();
    int records = 0;
    PositionsEdit::make<SynchroniseEdit>(
        document, [&] { records = synchronise(session, path); }, document.name(), path);
    // The numbers came from this file: it is the one a save now proposes.
    SpecificationCommands::moveToFile(document, &prompts, path);
    return records;
}

} // namespace DrawingExchange
