#include "PriceColumns.h"

#include "AppError.h"

#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

namespace PriceColumns {
namespace {

// What a header says its column holds. An article and a code may each be the
// block name; a title ("Наименование") and a description ("Описание") may
// each be the description.
enum class Kind {
    None,
    Name,
    Article,
    Code,
    Title,
    Description,
    Unit,
    Price,
    Mass,
    Type,
    Maker,
    Group
};

// The header folded, "ё" as "е", every run of other characters than letters
// and digits as one blank: "Цена, руб." and "ЦЕНА руб" read alike.
QString normalised(const QString &header)
{
    QString text = header.toCaseFolded();
    text.replace(u'ё', u'е');
    for (QChar &c : text)
        if (!c.isLetterOrNumber())
            c = u' ';
    return text.simplified();
}

Kind kind(const QString &header)
{
    // By the first word: "Наименование товара", "Цена с НДС", "Ед. изм.",
    // "Завод-изготовитель", and the old catalogue's columns.
    static const QHash<QString, Kind> kinds = {
        {QStringLiteral("имя"), Kind::Name},
        {QStringLiteral("name"), Kind::Name},
        {QStringLiteral("блок"), Kind::Name},
        {QStringLiteral("артикул"), Kind::Article},
        {QStringLiteral("арт"), Kind::Article},
        {QStringLiteral("article"), Kind::Article},
        {QStringLiteral("код"), Kind::Code},
        {QStringLiteral("cod"), Kind::Code},
        {QStringLiteral("code"), Kind::Code},
        {QStringLiteral("наименование"), Kind::Title},
        {QStringLiteral("наим"), Kind::Title},
        {QStringLiteral("название"), Kind::Title},
        {QStringLiteral("номенклатура"), Kind::Title},
        {QStringLiteral("товар"), Kind::Title},
        {QStringLiteral("caption"), Kind::Title},
        {QStringLiteral("описание"), Kind::Description},
        {QStringLiteral("description"), Kind::Description},
        {QStringLiteral("ед"), Kind::Unit},
        {QStringLiteral("единица"), Kind::Unit},
        {QStringLiteral("единицы"), Kind::Unit},
        {QStringLiteral("abb"), Kind::Unit},
        {QStringLiteral("unit"), Kind::Unit},
        {QStringLiteral("цена"), Kind::Price},
        {QStringLiteral("стоимость"), Kind::Price},
        {QStringLiteral("cost"), Kind::Price},
        {QStringLiteral("price"), Kind::Price},
        {QStringLiteral("масса"), Kind::Mass},
        {QStringLiteral("вес"), Kind::Mass},
        {QStringLiteral("m"), Kind::Mass},
        {QStringLiteral("mass"), Kind::Mass},
        {QStringLiteral("тип"), Kind::Type},
        {QStringLiteral("марка"), Kind::Type},
        {QStringLiteral("typ"), Kind::Type},
        {QStringLiteral("type"), Kind::Type},
        {QStringLiteral("производитель"), Kind::Maker},
        {QStringLiteral("изготовитель"), Kind::Maker},
        {QStringLiteral("завод"), Kind::Maker},
        {QStringLiteral("фирма"), Kind::Maker},
        {QStringLiteral("бренд"), Kind::Maker},
        {QStringLiteral("firma"), Kind::Maker},
        {QStringLiteral("maker"), Kind::Maker},
        {QStringLiteral("группа"), Kind::Group},
        {QStringLiteral("категория"), Kind::Group},
        {QStringLiteral("раздел"), Kind::Group},
        {QStringLiteral("gruppa"), Kind::Group},
        {QStringLiteral("group"), Kind::Group},
    };
    const QString text = normalised(header);
    return kinds.value(text.section(u' ', 0, 0), Kind::None);
}

struct FieldNames {
    const char *key;
    const char16_t *title;
    const char16_t *russianKey;
};

constexpr FieldNames kFieldNames[kFieldCount] = {
    {"name", u"Имя блока", u"имя"}, {"caption", u"Наименование", u"наименование"},
    {"unit", u"Ед. изм.", u"ед"},   {"price", u"Цена", u"цена"},
    {"mass", u"Масса", u"масса"},   {"type", u"Тип, марка", u"тип"},
    {"code", u"Код", u"код"},       {"maker", u"Производитель", u"производитель"},
    {"group", u"Группа", u"группа"}};

int fieldOfKey(const QString &text)
{
    const QString key = text.trimmed().toCaseFolded();
    for (int field = 0; field < kFieldCount; ++field)
        if (key == QLatin1String(kFieldNames[field].key) ||
            key == QString::fromUtf16(kFieldNames[field].russianKey))
            return field;
    return -1;
}

QString headerList(const QStringList &headers)
{
    QStringList named;
    for (qsizetype i = 0; i < headers.size(); ++i)
        named << QStringLiteral("%1 «%2»").arg(QString::number(i + 1), headers[i]);
    return named.join(QStringLiteral(", "));
}

// The column that value names: a number from 1, or a header (folded
// alike), "" for none.
int columnOf(const QString &value, bool quoted, const QStringList &headers)
{
    if (!quoted && value.trimmed().isEmpty())
        return -1;
    static const QRegularExpression number(QStringLiteral("^\\s*(\\d{1,6})\\s*$"));
    if (const QRegularExpressionMatch match = number.match(value); !quoted && match.hasMatch()) {
        const int column = match.captured(1).toInt();
        if (column < 1 || column > headers.size())
            throw AppError(QStringLiteral("столбца %1 нет: в таблице столбцов %2.")
                               .arg(column)
                               .arg(headers.size()));
        return column - 1;
    }
    const QString wanted = quoted ? value : value.trimmed();
    for (qsizetype i = 0; i < headers.size(); ++i)
        if (headers[i].trimmed().toCaseFolded() == wanted.toCaseFolded())
            return int(i);
    throw AppError(
        QStringLiteral("столбца «%1» нет; столбцы: %2.").arg(wanted, headerList(headers)));
}

// One "key=column" of a mapping given as text.
void applyEntry(const QString &key, const QString &value, bool quoted, const QStringList &headers,
                Mapping &mapping)
{
    const int field = fieldOfKey(key);
    if (field < 0) {
        QStringList keys;
        for (const FieldNames &names : kFieldNames)
            keys << QLatin1String(names.key);
        throw AppError(QStringLiteral("неизвестное поле «%1»; поля: %2.")
                           .arg(key.trimmed(), keys.join(QStringLiteral(", "))));
    }
    mapping.columns[field] = columnOf(value, quoted, headers);
}

// Splits "key=value,key="a, b"" into its entries; a value in double quotes
// may hold commas, "" standing for a quote. Each entry: key, value, quoted.
struct Entry {
    QString key;
    QString value;
    bool quoted = false;
};

QList<Entry> entries(const QString &text)
{
    QList<Entry> list;
    qsizetype i = 0;
    const qsizetype size = text.size();
    while (i < size) {
        const qsizetype equals = text.indexOf(u'=', i);
        const qsizetype comma = text.indexOf(u',', i);
        if (equals < 0 || (comma >= 0 && comma < equals))
            throw AppError(QStringLiteral("«%1» — не «поле=столбец».")
                               .arg(text.mid(i, comma < 0 ? -1 : comma - i).trimmed()));
        Entry entry{text.mid(i, equals - i), {}, false};
        i = equals + 1;
        while (i < size && text[i] == u' ')
            ++i;
        if (i < size && text[i] == u'"') {
            entry.quoted = true;
            ++i;
            for (;;) {
                if (i == size)
                    throw AppError(
                        QStringLiteral("кавычка после «%1=» не закрыта.").arg(entry.key.trimmed()));
                if (text[i] == u'"') {
                    if (i + 1 < size && text[i + 1] == u'"') {
                        entry.value += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                entry.value += text[i++];
            }
            while (i < size && text[i] == u' ')
                ++i;
            if (i < size && text[i] != u',')
                throw AppError(QStringLiteral("после закрывающей кавычки у «%1» нужна запятая.")
                                   .arg(entry.key.trimmed()));
        } else {
            const qsizetype end = text.indexOf(u',', i);
            entry.value = text.mid(i, end < 0 ? -1 : end - i);
            i = end < 0 ? size : end;
        }
        ++i; // the comma
        list << entry;
    }
    return list;
}

} // namespace

QString title(Field field)
{
    return QString::fromUtf16(kFieldNames[field].title);
}

QString key(Field field)
{
    return QLatin1String(kFieldNames[field].key);
}

int headerRow(const PriceTable &table)
{
    constexpr qsizetype kTitleRows = 30;
    int firstFilled = -1;
    for (qsizetype i = 0; i < table.rows.size() && i < kTitleRows; ++i) {
        int known = 0;
        bool filled = false;
        for (const QString &cell : table.rows[i].cells) {
            filled = filled || !cell.trimmed().isEmpty();
            if (kind(cell) != Kind::None)
                ++known;
        }
        if (known >= 2)
            return int(i);
        if (filled && firstFilled < 0)
            firstFilled = int(i);
    }
    if (firstFilled < 0)
        for (qsizetype i = kTitleRows; i < table.rows.size(); ++i)
            for (const QString &cell : table.rows[i].cells)
                if (!cell.trimmed().isEmpty())
                    return int(i);
    return firstFilled;
}

Mapping guess(const QStringList &headers)
{
    const auto first = [&](Kind wanted) {
        for (qsizetype i = 0; i < headers.size(); ++i)
            if (kind(headers[i]) == wanted)
                return int(i);
        return -1;
    };
    const auto either = [](int preferred, int other) { return preferred >= 0 ? preferred : other; };
    Mapping mapping;
    const int title = first(Kind::Title);
    const int description = first(Kind::Description);
    mapping[Name] =
        either(either(first(Kind::Name), first(Kind::Article)), either(first(Kind::Code), title));
    mapping[Caption] = title >= 0 && title != mapping[Name] ? title : either(description, title);
    mapping[Unit] = first(Kind::Unit);
    mapping[Price] = first(Kind::Price);
    mapping[Mass] = first(Kind::Mass);
    mapping[Type] = first(Kind::Type);
    // Not the article as well: a match would lose the code it holds to a
    // column the user never named a code.
    mapping[Code] = first(Kind::Code);
    mapping[Maker] = first(Kind::Maker);
    mapping[Group] = first(Kind::Group);
    return mapping;
}

void apply(const QString &text, const QStringList &headers, Mapping &mapping)
{
    for (const Entry &entry : entries(text))
        applyEntry(entry.key, entry.value, entry.quoted, headers, mapping);
}

QStringList remembered(const Mapping &mapping, const QStringList &headers)
{
    QStringList list;
    for (int field = 0; field < kFieldCount; ++field) {
        const int column = mapping.columns[field];
        QString value;
        // A column is remembered by its header, which stays when a supplier
        // adds a column; by its number where the header cannot tell it.
        if (column >= 0) {
            const QString header = headers.value(column).trimmed();
            if (header.isEmpty() || headers.count(headers.value(column)) > 1)
                value = QString::number(column + 1);
            else
                value = u'"' + QString(header).replace(u'"', QStringLiteral("\"\"")) + u'"';
        }
        list << key(Field(field)) + u'=' + value;
    }
    return list;
}

void recall(const QStringList &remembered, const QStringList &headers, Mapping &mapping)
{
    for (const QString &text : remembered) {
        try {
            for (const Entry &entry : entries(text))
                applyEntry(entry.key, entry.value, entry.quoted, headers, mapping);
        } catch (const AppError &) {
            // A column this file has not: the guess stands.
        }
    }
}

QString filePattern(const QString &path)
{
    static const QRegularExpression digits(QStringLiteral("\\d+"));
    return QFileInfo(path).fileName().replace(digits, QStringLiteral("#"));
}

QString describe(const Mapping &mapping, const QStringList &headers)
{
    QStringList parts;
    for (int field = 0; field < kFieldCount; ++field) {
        const int column = mapping.columns[field];
        if (column < 0)
            continue;
        const QString header = headers.value(column).trimmed();
        parts << (header.isEmpty()
                      ? QStringLiteral("%1 — столбец %2").arg(title(Field(field))).arg(column + 1)
                      : QStringLiteral("%1 — «%2» (%3)")
                            .arg(title(Field(field)), header, QString::number(column + 1)));
    }
    return parts.join(QStringLiteral("; "));
}

} // namespace PriceColumns
