#include "XlsxPriceList.h"

#include "AppError.h"
#include "PlainXml.h"
#include "PriceListFile.h"

#include <QHash>
#include <QXmlStreamReader>
#include <memory>
#include <optional>
#include <zip.h>

namespace {

const QString kWorkbookPart = QStringLiteral("xl/workbook.xml");
const QString kWorkbookRelations = QStringLiteral("xl/_rels/workbook.xml.rels");

// The workbook's zip archive, read from memory: the file is read whole
// first, so that a name in any alphabet opens on every system.
class Archive {
public:
    explicit Archive(const QString &path) : m_path(path)
    {
        m_bytes = PriceListFile::bytes(path);
        if (m_bytes.startsWith("\xD0\xCF\x11\xE0"))
            throw AppError(QStringLiteral("Это книга Excel 97–2003 (.xls), а читаются книги "
                                          ".xlsx: сохраните её в Excel или LibreOffice как "
                                          "«Книга Excel (.xlsx)» или как CSV."),
                           path);
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t *source =
            zip_source_buffer_create(m_bytes.constData(), zip_uint64_t(m_bytes.size()), 0, &error);
        if (source)
            m_zip = zip_open_from_source(source, ZIP_RDONLY, &error);
        if (!m_zip) {
            if (source)
                zip_source_free(source);
            zip_error_fini(&error);
            throw AppError(QStringLiteral("Это не книга Excel (.xlsx): файл не является "
                                          "архивом ZIP, каким должна быть книга."),
                           path);
        }
        zip_error_fini(&error);
        if (!has(kWorkbookPart)) {
            if (has(QStringLiteral("content.xml")))
                throw AppError(QStringLiteral("Это таблица OpenDocument (.ods), а читаются книги "
                                              ".xlsx: сохраните её как «Книга Excel (.xlsx)» "
                                              "или как CSV."),
                               path);
            throw AppError(QStringLiteral("Это не книга Excel (.xlsx): в архиве нет части «%1».")
                               .arg(kWorkbookPart),
                           path);
        }
    }
    ~Archive()
    {
        if (m_zip)
            zip_discard(m_zip);
    }
    Archive(const Archive &) = delete;
    Archive &operator=(const Archive &) = delete;

    const QString &path() const { return m_path; }

    bool has(const QString &part) const
    {
        return zip_name_locate(m_zip, part.toUtf8().constData(), 0) >= 0;
    }

    // The bytes of a part of the archive; an empty array when it has none
    // and may lack it.
    QByteArray part(const QString &name, bool required = true) const
    {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat(m_zip, name.toUtf8().constData(), 0, &stat) != 0) {
            if (!required)
                return {};
            throw AppError(
                QStringLiteral("Книга Excel повреждена: в ней нет части «%1».").arg(name), m_path);
        }
        zip_file_t *file = zip_fopen_index(m_zip, stat.index, 0);
        QByteArray bytes;
        if (file && (stat.valid & ZIP_STAT_SIZE)) {
            bytes.resize(qsizetype(stat.size));
            const zip_int64_t read = zip_fread(file, bytes.data(), stat.size);
            if (read != zip_int64_t(stat.size))
                bytes.clear();
            else
                bytes.squeeze();
        }
        const bool whole =
            file && (stat.valid & ZIP_STAT_SIZE) && bytes.size() == qsizetype(stat.size);
        if (file)
            zip_fclose(file);
        if (!whole)
            throw AppError(
                QStringLiteral("Книга Excel повреждена: часть «%1» не читается.").arg(name),
                m_path);
        return bytes;
    }

private:
    QString m_path;
    QByteArray m_bytes;
    zip_t *m_zip = nullptr;
};

// Reads the XML of one part; a broken part throws naming it and its line.
class PartReader : public QXmlStreamReader {
public:
    PartReader(const Archive &archive, const QString &part, const QByteArray &bytes)
        : m_archive(archive), m_part(part)
    {
        // Parts are UTF-8 but for the odd one in UTF-16 with its mark; text
        // decoded at once is read faster than bytes the reader decodes.
        if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
            addData(bytes);
        else
            addData(QString::fromUtf8(bytes));
    }

    void check()
    {
        if (hasError())
            throw AppError(QStringLiteral("Книга Excel повреждена: часть «%1», строка %2: %3")
                               .arg(m_part)
                               .arg(lineNumber())
                               .arg(errorString()),
                           m_archive.path());
    }

    bool at(QStringView name) const { return isStartElement() && this->name() == name; }

private:
    const Archive &m_archive;
    QString m_part;
};

// The attribute of that local name whatever its namespace: files written
// under the "strict" schema name the relationships' namespace otherwise.
QString attribute(const QXmlStreamAttributes &attributes, QStringView name, bool namespaced = false)
{
    for (const QXmlStreamAttribute &attribute : attributes)
        if (attribute.name() == name && (!namespaced || !attribute.namespaceUri().isEmpty()))
            return attribute.value().toString();
    return {};
}

// A relationship's target as a name in the archive: absolute ones start at
// its root, the others at the folder of the workbook.
QString partName(const QString &target)
{
    if (target.startsWith(u'/'))
        return target.mid(1);
    return QStringLiteral("xl/") + target;
}

struct Sheet {
    QString name;
    QString part;
};

struct Workbook {
    QList<Sheet> sheets;
    QString sharedStrings; // empty when the workbook has none
};

Workbook workbook(const Archive &archive)
{
    QHash<QString, QString> targets;
    QString sharedStrings;
    {
        PartReader rels(archive, kWorkbookRelations, archive.part(kWorkbookRelations));
        while (!rels.atEnd()) {
            rels.readNext();
            if (rels.at(u"Relationship")) {
                const QXmlStreamAttributes attributes = rels.attributes();
                const QString target = partName(attribute(attributes, u"Target"));
                targets.insert(attribute(attributes, u"Id"), target);
                if (attribute(attributes, u"Type").endsWith(QStringLiteral("/sharedStrings")))
                    sharedStrings = target;
            }
        }
        rels.check();
    }
    Workbook book;
    book.sharedStrings = sharedStrings;
    PartReader reader(archive, kWorkbookPart, archive.part(kWorkbookPart));
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.at(u"sheet")) {
            const QXmlStreamAttributes attributes = reader.attributes();
            book.sheets << Sheet{attribute(attributes, u"name"),
                                 targets.value(attribute(attributes, u"id", true))};
        }
    }
    reader.check();
    if (book.sheets.isEmpty())
        throw AppError(QStringLiteral("В книге Excel нет ни одного листа."), archive.path());
    return book;
}

// The content of the element named element in a part's bytes when the part
// is plain enough for PlainXml: in UTF-8, the element there once, and the
// rest of the part, checked whole by QXmlStreamReader, free of comments,
// processing instructions and declarations of a document type. With the
// namespace prefixes the rest declares.
struct PlainContent {
    QByteArrayView content;
    QList<QByteArray> prefixes;
};

std::optional<PlainContent> plainContent(const QByteArray &bytes, QByteArrayView element)
{
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
        return std::nullopt;
    const QByteArray open = '<' + element.toByteArray();
    const QByteArray close = "</" + element.toByteArray() + '>';
    const qsizetype start = bytes.indexOf(open);
    if (start < 0 || start + open.size() >= bytes.size())
        return std::nullopt;
    const char after = bytes[start + open.size()];
    if (after != '>' && after != ' ' && after != '\t' && after != '\n' && after != '\r')
        return std::nullopt;
    const qsizetype headEnd = bytes.indexOf('>', start);
    const qsizetype end = bytes.lastIndexOf(close);
    if (headEnd < 0 || bytes[headEnd - 1] == '/' || end < headEnd)
        return std::nullopt;
    PlainContent plain;
    QXmlStreamReader rest(QString::fromUtf8(bytes.first(headEnd + 1) + bytes.sliced(end)));
    int elements = 0;
    while (!rest.atEnd()) {
        switch (rest.readNext()) {
        case QXmlStreamReader::StartElement:
            for (const QXmlStreamNamespaceDeclaration &declared : rest.namespaceDeclarations())
                if (!declared.prefix().isEmpty())
                    plain.prefixes << declared.prefix().toUtf8();
            if (rest.qualifiedName() == QLatin1String(element)) {
                ++elements;
                if (rest.readNext() != QXmlStreamReader::EndElement)
                    return std::nullopt;
            }
            break;
        case QXmlStreamReader::Comment:
        case QXmlStreamReader::DTD:
        case QXmlStreamReader::EntityReference:
        case QXmlStreamReader::ProcessingInstruction:
        case QXmlStreamReader::Invalid:
            return std::nullopt;
        default:
            break;
        }
    }
    if (rest.hasError() || elements != 1)
        return std::nullopt;
    plain.content = QByteArrayView(bytes).sliced(headEnd + 1, end - headEnd - 1);
    return plain;
}

// The shared strings of a plain part read by PlainXml, as sharedStrings()
// reads them; nothing when the part is not plain.
std::optional<QStringList> plainSharedStrings(const QByteArray &bytes)
{
    const std::optional<PlainContent> plain = plainContent(bytes, "sst");
    if (!plain)
        return std::nullopt;
    PlainXml reader(plain->content, plain->prefixes);
    QStringList strings;
    QString text, run;
    int phonetic = 0;
    for (;;) {
        switch (reader.next()) {
        case PlainXml::StartElement:
            if (reader.name() == "si") {
                text.clear();
            } else if (reader.name() == "rPh") {
                ++phonetic;
            } else if (reader.name() == "t" && phonetic == 0) {
                if (!reader.elementText(run))
                    return std::nullopt;
                text += run;
            }
            break;
        case PlainXml::EndElement:
            if (reader.name() == "si")
                strings << text;
            else if (reader.name() == "rPh")
                --phonetic;
            break;
        case PlainXml::Text:
            break;
        case PlainXml::End:
            return strings;
        case PlainXml::Unsure:
            return std::nullopt;
        }
    }
}

// The texts of the shared strings table, in order: a string of several runs
// is their texts joined; the phonetic hints of East Asian texts are left out.
QStringList sharedStrings(const Archive &archive, const QString &part)
{
    if (part.isEmpty())
        return {};
    const QByteArray bytes = archive.part(part, false);
    if (std::optional<QStringList> strings = plainSharedStrings(bytes))
        return *std::move(strings);
    QStringList strings;
    PartReader reader(archive, part, bytes);
    QString text;
    int phonetic = 0;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            if (reader.name() == u"si")
                text.clear();
            else if (reader.name() == u"rPh")
                ++phonetic;
            else if (reader.name() == u"t" && phonetic == 0)
                text += reader.readElementText();
        } else if (reader.isEndElement()) {
            if (reader.name() == u"si")
                strings << text;
            else if (reader.name() == u"rPh")
                --phonetic;
        }
    }
    reader.check();
    return strings;
}

// The column (from 0) that a cell reference such as "BC12" names (54); -1
// when it names none.
int columnOf(QStringView reference)
{
    int column = 0;
    qsizetype i = 0;
    while (i < reference.size() && reference[i].isLetter()) {
        column = column * 26 + (reference[i].toUpper().unicode() - u'A' + 1);
        ++i;
    }
    return i > 0 ? column - 1 : -1;
}

// The same of a reference in ASCII, as PlainXml gives it.
int columnOf(QByteArrayView reference)
{
    int column = 0;
    qsizetype i = 0;
    while (i < reference.size() && ((reference[i] >= 'A' && reference[i] <= 'Z') ||
                                    (reference[i] >= 'a' && reference[i] <= 'z'))) {
        column = column * 26 + ((reference[i] & ~0x20) - 'A' + 1);
        ++i;
    }
    if (i < reference.size() && uchar(reference[i]) >= 0x80)
        return columnOf(QString::fromUtf8(reference));
    return i > 0 ? column - 1 : -1;
}

// A number cell in its shortest form: spreadsheets store "0.1" as
// "0.10000000000000001"; fifteen digits give it back as the user typed it.
QString numberText(const QString &stored)
{
    bool ok = false;
    const double value = stored.toDouble(&ok);
    return ok ? QString::number(value, 'g', 15) : stored;
}

// The rows of a sheet as either reader finds its cells: a cell takes the
// column its reference names, else the one after the last.
class SheetRows {
public:
    enum class Kind { Shared, Number, Text };

    SheetRows(QStringList strings, const QString &path)
        : m_strings(std::move(strings)), m_path(path)
    {
    }

    void restart() { *this = SheetRows(std::move(m_strings), m_path); }

    // A row numbered by number, else after the last.
    void startRow(int number)
    {
        m_row = {number > 0 ? number : m_row.line + 1, {}};
        m_column = 0;
        m_inRow = true;
    }
    bool inRow() const { return m_inRow; }
    // A cell of a type ("s" shared, "n" or none a number, any other a
    // text) at place, or after the last when place is -1.
    void startCell(int place, QStringView type)
    {
        if (place >= 0)
            m_column = place;
        m_kind = type == u"s"                     ? Kind::Shared
                 : type.isEmpty() || type == u"n" ? Kind::Number
                                                  : Kind::Text;
        value.clear();
    }
    void startCell(int place, QByteArrayView type)
    {
        startCell(place, QLatin1StringView(type) == QLatin1StringView("s") ? u"s"
                         : type.isEmpty() || type == QByteArrayView("n")   ? u"n"
                                                                           : u"t");
    }
    void endCell()
    {
        QString text;
        if (m_kind == Kind::Shared) {
            bool ok = false;
            const int index = value.toInt(&ok);
            if (!ok || index < 0 || index >= m_strings.size())
                throw AppError(QStringLiteral("Книга Excel повреждена: ячейка ссылается "
                                              "на строку %1 общей таблицы строк, а в ней "
                                              "%2 строк.")
                                   .arg(value)
                                   .arg(m_strings.size()),
                               m_path, m_row.line);
            text = m_strings[index];
        } else if (m_kind == Kind::Number) {
            text = numberText(value);
        } else {
            text = value; // inline and formula strings, booleans, errors
        }
        while (m_row.cells.size() < m_column)
            m_row.cells << QString();
        if (m_row.cells.size() == m_column)
            m_row.cells << std::move(text);
        else
            m_row.cells[m_column] = std::move(text);
        ++m_column;
    }
    void endRow()
    {
        m_table.rows << std::move(m_row);
        m_inRow = false;
    }
    PriceTable take() { return std::move(m_table); }

    // The value of the cell being read: its <v>, or its inline string.
    QString value;

private:
    QStringList m_strings;
    QString m_path;
    PriceTable m_table;
    PriceRow m_row;
    int m_column = 0;
    Kind m_kind = Kind::Number;
    bool m_inRow = false;
};

// Reads a plain sheet with PlainXml into rows; false when it is not plain,
// and rows are to be read again by readSheet().
bool readPlainSheet(const QByteArray &bytes, SheetRows &rows)
{
    const std::optional<PlainContent> plain = plainContent(bytes, "sheetData");
    if (!plain)
        return false;
    PlainXml reader(plain->content, plain->prefixes);
    QString run;
    for (;;) {
        switch (reader.next()) {
        case PlainXml::StartElement: {
            const QByteArrayView name = reader.name();
            if (name == "row") {
                rows.startRow(reader.attribute("r").toInt());
            } else if (name == "c" && rows.inRow()) {
                rows.startCell(columnOf(reader.attribute("r")), reader.attribute("t"));
            } else if (name == "v") {
                if (!reader.elementText(rows.value))
                    return false;
            } else if (name == "is") {
                // An inline string: the texts of its runs, as in the shared table.
                rows.value.clear();
                for (bool inString = true; inString;) {
                    switch (reader.next()) {
                    case PlainXml::StartElement:
                        if (reader.name() == "rPh") {
                            if (!reader.skipElement())
                                return false;
                        } else if (reader.name() == "t") {
                            if (!reader.elementText(run))
                                return false;
                            rows.value += run;
                        }
                        break;
                    case PlainXml::EndElement:
                        inString = reader.name() != "is";
                        break;
                    case PlainXml::Text:
                        break;
                    default:
                        return false;
                    }
                }
            }
            break;
        }
        case PlainXml::EndElement:
            if (reader.name() == "c" && rows.inRow())
                rows.endCell();
            else if (reader.name() == "row" && rows.inRow())
                rows.endRow();
            break;
        case PlainXml::Text:
            break;
        case PlainXml::End:
            return true;
        case PlainXml::Unsure:
            return false;
        }
    }
}

// Reads any sheet with QXmlStreamReader into rows; a broken part throws
// naming it and its line.
void readSheet(PartReader &&reader, SheetRows &rows)
{
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            const QStringView name = reader.name();
            if (name == u"row") {
                rows.startRow(reader.attributes().value(QLatin1String("r")).toInt());
            } else if (name == u"c" && rows.inRow()) {
                const QXmlStreamAttributes attributes = reader.attributes();
                rows.startCell(columnOf(attributes.value(QLatin1String("r"))),
                               attributes.value(QLatin1String("t")));
            } else if (name == u"v") {
                rows.value = reader.readElementText();
            } else if (name == u"is") {
                rows.value.clear();
                while (!(reader.isEndElement() && reader.name() == u"is") && !reader.atEnd()) {
                    reader.readNext();
                    if (reader.at(u"rPh"))
                        reader.skipCurrentElement();
                    else if (reader.at(u"t"))
                        rows.value += reader.readElementText();
                }
            }
        } else if (reader.isEndElement()) {
            const QStringView name = reader.name();
            if (name == u"c" && rows.inRow())
                rows.endCell();
            else if (name == u"row" && rows.inRow())
                rows.endRow();
        }
    }
    reader.check();
}

} // namespace

namespace XlsxPriceList {

QStringList sheetNames(const QString &path)
{
    const Archive archive(path);
    QStringList names;
    for (const Sheet &sheet : workbook(archive).sheets)
        names << sheet.name;
    return names;
}

PriceTable read(const QString &path, int sheetIndex)
{
    const Archive archive(path);
    const Workbook book = workbook(archive);
    if (sheetIndex < 0 || sheetIndex >= book.sheets.size())
        throw AppError(QStringLiteral("В книге нет листа %1: листов в ней %2.")
                           .arg(sheetIndex + 1)
                           .arg(book.sheets.size()),
                       path);
    const Sheet &sheet = book.sheets[sheetIndex];
    SheetRows rows(sharedStrings(archive, book.sharedStrings), path);
    const QByteArray bytes = archive.part(sheet.part);
    if (!readPlainSheet(bytes, rows)) {
        rows.restart();
        readSheet(PartReader(archive, sheet.part, bytes), rows);
    }
    PriceTable table = rows.take();
    table.format = QStringLiteral("книга Excel, лист «%1»").arg(sheet.name);
    return table;
}

} // namespace XlsxPriceList
