#include "XlsxPriceList.h"

#include "AppError.h"
#include "RegularFile.h"
#include "SystemErrors.h"

#include <QFile>
#include <QHash>
#include <QXmlStreamReader>
#include <memory>
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
        RegularFile::require(path, QStringLiteral("Прайс-лист"));
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw AppError(QStringLiteral("Не удалось открыть прайс-лист: ") +
                               SystemErrors::reason(file) + u'.',
                           path);
        m_bytes = file.readAll();
        if (file.error() != QFileDevice::NoError)
            throw AppError(QStringLiteral("Не удалось прочитать прайс-лист: ") +
                               SystemErrors::reason(file) + u'.',
                           path);
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

// The texts of the shared strings table, in order: a string of several runs
// is their texts joined; the phonetic hints of East Asian texts are left out.
QStringList sharedStrings(const Archive &archive, const QString &part)
{
    QStringList strings;
    if (part.isEmpty())
        return strings;
    PartReader reader(archive, part, archive.part(part, false));
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

// A number cell in its shortest form: spreadsheets store "0.1" as
// "0.10000000000000001"; fifteen digits give it back as the user typed it.
QString numberText(const QString &stored)
{
    bool ok = false;
    const double value = stored.toDouble(&ok);
    return ok ? QString::number(value, 'g', 15) : stored;
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
    const QStringList strings = sharedStrings(archive, book.sharedStrings);

    PriceTable table;
    table.format = QStringLiteral("книга Excel, лист «%1»").arg(sheet.name);
    PartReader reader(archive, sheet.part, archive.part(sheet.part));
    PriceRow row;
    int column = 0;
    enum class Kind { Shared, Number, Text } kind = Kind::Number;
    QString value;
    bool inRow = false;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            const QStringView name = reader.name();
            if (name == u"row") {
                const int number = reader.attributes().value(QLatin1String("r")).toInt();
                row = {number > 0 ? number : row.line + 1, {}};
                column = 0;
                inRow = true;
            } else if (name == u"c" && inRow) {
                const QXmlStreamAttributes attributes = reader.attributes();
                if (const int place = columnOf(attributes.value(QLatin1String("r"))); place >= 0)
                    column = place;
                const QStringView type = attributes.value(QLatin1String("t"));
                kind = type == u"s"                     ? Kind::Shared
                       : type.isEmpty() || type == u"n" ? Kind::Number
                                                        : Kind::Text;
                value.clear();
            } else if (name == u"v") {
                value = reader.readElementText();
            } else if (name == u"is") {
                // An inline string: the texts of its runs, as in the shared table.
                value.clear();
                while (!(reader.isEndElement() && reader.name() == u"is") && !reader.atEnd()) {
                    reader.readNext();
                    if (reader.at(u"rPh"))
                        reader.skipCurrentElement();
                    else if (reader.at(u"t"))
                        value += reader.readElementText();
                }
            }
        } else if (reader.isEndElement()) {
            const QStringView name = reader.name();
            if (name == u"c" && inRow) {
                QString text;
                if (kind == Kind::Shared) {
                    bool ok = false;
                    const int index = value.toInt(&ok);
                    if (!ok || index < 0 || index >= strings.size())
                        throw AppError(QStringLiteral("Книга Excel повреждена: ячейка ссылается "
                                                      "на строку %1 общей таблицы строк, а в ней "
                                                      "%2 строк.")
                                           .arg(value)
                                           .arg(strings.size()),
                                       path, row.line);
                    text = strings[index];
                } else if (kind == Kind::Number) {
                    text = numberText(value);
                } else {
                    text = value; // inline and formula strings, booleans, errors
                }
                while (row.cells.size() < column)
                    row.cells << QString();
                if (row.cells.size() == column)
                    row.cells << std::move(text);
                else
                    row.cells[column] = std::move(text);
                ++column;
            } else if (name == u"row" && inRow) {
                table.rows << std::move(row);
                inRow = false;
            }
        }
    }
    reader.check();
    return table;
}

} // namespace XlsxPriceList
