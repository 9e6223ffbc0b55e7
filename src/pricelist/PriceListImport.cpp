#include "PriceListImport.h"

#include "AppError.h"
#include "Numbers.h"
#include "PriceListFile.h"
#include "Settings.h"
#include "TextFolding.h"

#include <QHash>
#include <algorithm>
#include <optional>

namespace PriceListImport {
namespace {

using PriceColumns::Field;

bool isLineBreak(QChar c)
{
    return c == u'\r' || c == u'\n' || c == QChar(0x2028) || c == QChar(0x2029);
}

// A cell as a good's text: a line break within it (a quoted CSV field, a
// wrapped spreadsheet cell) is a blank, as a catalogue line has none.
QString cleaned(const QString &cell)
{
    QString text = cell.trimmed();
    if (std::any_of(text.cbegin(), text.cend(), isLineBreak)) {
        text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
        for (QChar &c : text)
            if (isLineBreak(c))
                c = u' ';
    }
    return text;
}

// A price as suppliers write it: "1 250,50", "1250.5", "1,250.50",
// "1 250 руб.", "99 р."; empty for no price. fault says why text is none.
std::optional<double> price(const QString &text, QString &fault)
{
    QStringView rest = QStringView(text).trimmed();
    for (const QStringView currency : {u"руб.", u"руб", u"р.", u"р", u"₽", u"rub.", u"rub"}) {
        if (rest.endsWith(currency, Qt::CaseInsensitive)) {
            rest.chop(currency.size());
            break;
        }
    }
    // Blanks of any kind group thousands.
    QString number;
    number.reserve(rest.size());
    for (const QChar c : rest)
        if (!c.isSpace())
            number += c;
    // Of a comma and a point both there, the last is the decimal one; a
    // separator given more than once only groups thousands.
    const qsizetype comma = number.lastIndexOf(u','), point = number.lastIndexOf(u'.');
    if (comma >= 0 && point >= 0)
        number.remove(comma < point ? u',' : u'.');
    else if (number.count(u',') > 1)
        number.remove(u',');
    else if (number.count(u'.') > 1)
        number.remove(u'.');
    const std::optional<double> value = Numbers::parse(number);
    if (!value)
        fault = Numbers::outOfRange(number) ? QStringLiteral("цена «%1» слишком велика").arg(text)
                                            : QStringLiteral("цена «%1» — не число").arg(text);
    else if (*value < 0)
        fault = QStringLiteral("цена «%1» меньше нуля").arg(text);
    return fault.isEmpty() ? value : std::nullopt;
}

constexpr GoodField kGoodFields[PriceColumns::kFieldCount] = {
    GoodField{},     GoodField::Caption, GoodField::Unit,  GoodField::Cost, GoodField::Mass,
    GoodField::Type, GoodField::Code,    GoodField::Maker, GoodField::Group};

// A row that gives a good, before the rows are compared with each other:
// rows of one name (letter case aside) are chained in the order of the file.
struct Candidate {
    int line = 0;
    CatalogueGood good;
    QString key;
    qsizetype next = -1;
};

QString lineList(const QList<Candidate> &candidates, qsizetype first)
{
    QStringList lines;
    for (qsizetype i = first; i >= 0; i = candidates[i].next)
        lines << QString::number(candidates[i].line);
    return lines.join(QStringLiteral(", "));
}

} // namespace

Source read(const QString &path, int sheet)
{
    Source source{path, PriceListFile::read(path, sheet), 0, {}, {}};
    source.headerRow = PriceColumns::headerRow(source.table);
    if (source.headerRow < 0)
        throw AppError(QStringLiteral("В прайс-листе нет ни одной заполненной строки."), path);
    source.headers = source.table.rows[source.headerRow].cells;
    source.mapping = PriceColumns::guess(source.headers);
    PriceColumns::recall(Settings().priceListColumns(PriceColumns::filePattern(path)),
                         source.headers, source.mapping);
    return source;
}

void remember(const Source &source, const PriceColumns::Mapping &mapping)
{
    Settings().setPriceListColumns(PriceColumns::filePattern(source.path),
                                   PriceColumns::remembered(mapping, source.headers));
}

Plan plan(const Source &source, const PriceColumns::Mapping &mapping, bool addNew,
          Catalogue &catalogue)
{
    const PriceTable &table = source.table;
    if (mapping[Field::Name] < 0)
        throw AppError(QStringLiteral("Не выбран столбец имени блока: по имени блока товары "
                                      "прайс-листа находятся в базе товара."));
    Plan plan;
    plan.options.addNew = addNew;
    plan.options.fields = {};
    for (int field = PriceColumns::Caption; field < PriceColumns::kFieldCount; ++field)
        if (mapping.columns[field] >= 0)
            plan.options.fields |= kGoodFields[field];

    QList<Candidate> candidates;
    candidates.reserve(table.rows.size());
    // The first and the last row of each name key.
    QHash<QString, std::pair<qsizetype, qsizetype>> rowsOfKey;
    rowsOfKey.reserve(table.rows.size());
    for (qsizetype r = source.headerRow + 1; r < table.rows.size(); ++r) {
        const PriceRow &row = table.rows[r];
        std::array<QString, PriceColumns::kFieldCount> cells;
        bool filled = false;
        for (int field = 0; field < PriceColumns::kFieldCount; ++field) {
            const int column = mapping.columns[field];
            if (column >= 0)
                cells[field] = cleaned(row.cells.value(column));
            filled = filled || !cells[field].isEmpty();
        }
        if (!filled)
            continue;
        if (cells[Field::Name].isEmpty()) {
            plan.skipped << Skipped{row.line, QStringLiteral("нет имени блока")};
            continue;
        }
        Candidate candidate;
        candidate.line = row.line;
        CatalogueGood &good = candidate.good;
        good.name = cells[Field::Name];
        good.caption = cells[Field::Caption];
        good.unit = cells[Field::Unit];
        good.mass = cells[Field::Mass];
        good.type = cells[Field::Type];
        good.code = cells[Field::Code];
        good.maker = cells[Field::Maker];
        good.group = cells[Field::Group];
        if (!cells[Field::Price].isEmpty()) {
            QString fault;
            const std::optional<double> value = price(cells[Field::Price], fault);
            if (!value) {
                plan.skipped << Skipped{row.line, fault};
                continue;
            }
            good.cost = *value;
        }
        // Folded as the catalogue compares names.
        candidate.key = good.name.toCaseFolded();
        const qsizetype index = candidates.size();
        auto known = rowsOfKey.find(candidate.key);
        if (known == rowsOfKey.end()) {
            rowsOfKey.insert(candidate.key, {index, index});
        } else {
            candidates[known->second].next = index;
            known->second = index;
        }
        candidates << std::move(candidate);
    }

    QList<qsizetype> kept;
    for (qsizetype i = 0; i < candidates.size(); ++i) {
        const Candidate &first = candidates[i];
        if (rowsOfKey.value(first.key).first != i)
            continue; // a later row of a name met before
        bool pricesDiffer = false;
        for (qsizetype j = first.next; j >= 0; j = candidates[j].next)
            pricesDiffer = pricesDiffer || candidates[j].good.cost != first.good.cost;
        if (pricesDiffer) {
            const QString lines = lineList(candidates, i);
            for (qsizetype j = i; j >= 0; j = candidates[j].next)
                plan.skipped << Skipped{candidates[j].line,
                                        QStringLiteral("имя блока «%1» стоит в строках %2 с "
                                                       "разными ценами")
                                            .arg(candidates[j].good.name, lines)};
            continue;
        }
        for (qsizetype j = first.next; j >= 0; j = candidates[j].next)
            plan.skipped << Skipped{candidates[j].line,
                                    QStringLiteral("имя блока «%1» уже было в строке %2")
                                        .arg(candidates[j].good.name, QString::number(first.line))};
        kept << i;
    }

    QStringList names;
    names.reserve(kept.size());
    for (const qsizetype i : std::as_const(kept))
        names << candidates[i].good.name;
    // The goods the report counts are the goods the write will change:
    // where the catalogue keeps versions, the write is refused when they
    // are no longer these.
    const QList<QList<GoodVersion>> found = catalogue.versionsOf(names);
    plan.goods.reserve(kept.size());
    plan.options.seen.emplace();
    plan.options.seen->reserve(kept.size());
    for (qsizetype i = 0; i < kept.size(); ++i) {
        Candidate &candidate = candidates[kept[i]];
        if (!found[i].isEmpty()) {
            ++plan.updated;
        } else if (addNew) {
            ++plan.added;
        } else {
            plan.skipped << Skipped{candidate.line,
                                    QStringLiteral("имени блока «%1» нет в базе товара, а новые "
                                                   "товары не добавляются")
                                        .arg(candidate.good.name)};
            continue;
        }
        plan.goods << std::move(candidate.good);
        *plan.options.seen << found[i];
    }
    std::stable_sort(plan.skipped.begin(), plan.skipped.end(),
                     [](const Skipped &a, const Skipped &b) { return a.line < b.line; });
    return plan;
}

QString summary(const Plan &plan)
{
    return QStringLiteral("обновится %1, добавится %2, пропущено %3")
        .arg(plan.updated)
        .arg(plan.added)
        .arg(plan.skipped.size());
}

QStringList skippedLines(const Plan &plan)
{
    QStringList lines;
    lines.reserve(plan.skipped.size());
    for (const Skipped &row : plan.skipped)
        lines << QStringLiteral("строка %1: %2").arg(QString::number(row.line), row.reason);
    return lines;
}

GoodsWritten write(const Plan &plan, Catalogue &catalogue,
                   const std::function<void(int done, int total)> &progress)
{
    return catalogue.writeGoods(plan.goods, plan.options, progress);
}

QString writtenText(const GoodsWritten &written)
{
    return QStringLiteral("Записано в базу товара: обновлено %1, добавлено %2")
        .arg(written.goods - written.added)
        .arg(written.added);
}

} // namespace PriceListImport
