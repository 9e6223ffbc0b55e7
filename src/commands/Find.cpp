#include "Find.h"

#include "Numbers.h"
#include "PositionsEdit.h"
#include "SpecificationDocument.h"
#include "TextFolding.h"

namespace Find {
namespace {

// One letter for one: places in the searched text are places in the text.
QString searchText(const QString &text)
{
    QString result = text;
    for (QChar &c : result)
        c = TextFolding::searchLetter(c);
    return result;
}

QString textOf(const Position &position, PositionsTable::Field field)
{
    if (field == PositionsTable::Number)
        return Numbers::whole(position.number);
    return PositionsTable::value(position, field).toString();
}

// The text with every what replaced by with; count grows by the places.
QString replaced(const QString &text, const QString &what, const QString &with, int &count)
{
    QString result;
    qsizetype from = 0;
    while (const std::optional<qsizetype> at = indexIn(text, what, from)) {
        result += text.mid(from, *at - from) + with;
        from = *at + what.size();
        ++count;
    }
    return from == 0 ? text : result + text.mid(from);
}

// The fields of position whose text holds what, with their new texts.
struct Replacement {
    QList<PositionsTable::Field> fields;
    QVariantList values;
    int count = 0;
};

Replacement replacementIn(const Position &position, const QString &what, const QString &with)
{
    Replacement replacement;
    for (const PositionsTable::Field field : kSearchedFields) {
        if (field == PositionsTable::Number)
            continue;
        const QString text = textOf(position, field);
        int count = 0;
        const QString result = replaced(text, what, with, count);
        if (count == 0)
            continue;
        replacement.fields << field;
        replacement.values << result;
        replacement.count += count;
    }
    return replacement;
}

} // namespace

const QList<PositionsTable::Field> kSearchedFields = {
    PositionsTable::Number, PositionsTable::Caption, PositionsTable::Name,   PositionsTable::Type,
    PositionsTable::Code,   PositionsTable::Maker,   PositionsTable::Comment};

std::optional<qsizetype> indexIn(const QString &text, const QString &what, qsizetype from)
{
    if (what.isEmpty())
        return std::nullopt;
    const qsizetype at = searchText(text).indexOf(searchText(what), from);
    return at < 0 ? std::nullopt : std::optional(at);
}

bool holds(const Position &position, const QString &what)
{
    for (const PositionsTable::Field field : kSearchedFields)
        if (indexIn(textOf(position, field), what))
            return true;
    return false;
}

std::optional<int> next(const QList<Position> &positions, int place, const QString &what,
                        bool backwards)
{
    const int count = int(positions.size());
    if (count == 0 || what.isEmpty())
        return std::nullopt;
    const int step = backwards ? count - 1 : 1;
    int at = place < 0 ? (backwards ? count - 1 : 0) : (place + step) % count;
    for (int tried = 0; tried < count; ++tried, at = (at + step) % count)
        if (holds(positions[at], what))
            return at;
    return std::nullopt;
}

int replaceAll(SpecificationDocument &document, const QList<Position> &positions,
               const QString &what, const QString &with)
{
    int total = 0;
    PositionsTable &table = document.positions();
    PositionsEdit::make<ReplaceAllEdit>(
        document,
        [&] {
            for (const Position &position : positions) {
                const Replacement replacement = replacementIn(position, what, with);
                if (replacement.count == 0)
                    continue;
                table.update(position.key, replacement.fields, replacement.values);
                total += replacement.count;
            }
        },
        what, with);
    return total;
}

int replaceIn(SpecificationDocument &document, const Position &position, const QString &what,
              const QString &with)
{
    const Replacement replacement = replacementIn(position, what, with);
    if (replacement.count == 0)
        return 0;
    PositionsEdit::make<ReplaceAllEdit>(
        document,
        [&] { document.positions().update(position.key, replacement.fields, replacement.values); },
        what, with);
    return replacement.count;
}

} // namespace Find
