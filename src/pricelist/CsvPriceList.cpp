#include "CsvPriceList.h"

#include "AppError.h"
#include "CodePage1251.h"
#include "RegularFile.h"
#include "SystemErrors.h"

#include <QFile>
#include <QHash>
#include <QStringDecoder>
#include <algorithm>
#include <optional>

namespace {

struct Decoded {
    QString text;
    QString encoding;
};

// The line (from 1) of the first character that a decoder made of bytes it
// could not read.
int lineOfReplacement(const QString &text)
{
    const qsizetype at = text.indexOf(QChar::ReplacementCharacter);
    return int(QStringView(text).left(at).count(u'\n')) + 1;
}

// Spreadsheet programs save CSV as UTF-8 with a mark, as UTF-16 with one or
// in the code page of the system, which in Russia is 1251. Russian text in
// code page 1251 is practically never valid UTF-8, so a file that reads as
// UTF-8 throughout is taken for it; text of ASCII alone reads the same
// either way.
Decoded decode(const QByteArray &bytes, const QString &file)
{
    const auto strict = [&](QStringConverter::Encoding encoding, qsizetype skip,
                            const QString &name) -> Decoded {
        QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
        QString text = decoder(QByteArrayView(bytes).sliced(skip));
        if (decoder.hasError())
            throw AppError(QStringLiteral("Файл помечен как %1, но содержит байты, которые не "
                                          "являются текстом %1.")
                               .arg(name),
                           file, lineOfReplacement(text));
        return {text, name};
    };
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return strict(QStringConverter::Utf8, 3, QStringLiteral("UTF-8"));
    if (bytes.startsWith("\xFF\xFE"))
        return strict(QStringConverter::Utf16LE, 2, QStringLiteral("UTF-16"));
    if (bytes.startsWith("\xFE\xFF"))
        return strict(QStringConverter::Utf16BE, 2, QStringLiteral("UTF-16"));
    if (const qsizetype zero = bytes.indexOf('\0'); zero >= 0)
        throw AppError(QStringLiteral("Это не текстовый файл CSV: в нём есть нулевые байты. "
                                      "Книгу Excel сохраните как .xlsx или как CSV."),
                       file, int(bytes.left(zero).count('\n')) + 1);
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return {text, QStringLiteral("UTF-8")};
    return {CodePage1251::decode(bytes), QStringLiteral("Windows-1251")};
}

// Splits text into records: fields separated by delimiter, a field in
// double quotes holding anything, a doubled quote within it standing for
// one. A record ends at CR LF, LF or CR outside quotes. firstLine is the
// line the text starts on; at most limit records are read. A quote still
// open at the end throws, naming the line it opened on, unless the limit
// cut the text short.
QList<PriceRow> split(QStringView text, QChar delimiter, int firstLine, const QString &file,
                      qsizetype limit = -1)
{
    QList<PriceRow> records;
    PriceRow record{firstLine, {}};
    QString field;
    int line = firstLine;
    qsizetype i = 0;
    const qsizetype size = text.size();
    const auto endOfLine = [&](qsizetype at) {
        // CR LF is one line end.
        return text[at] == u'\r' && at + 1 < size && text[at + 1] == u'\n' ? 2 : 1;
    };
    while (i < size) {
        if (limit >= 0 && records.size() >= limit)
            return records;
        // At the start of a field.
        if (text[i] == u'"') {
            const int opened = line;
            ++i;
            for (;;) {
                if (i == size) {
                    if (limit >= 0)
                        return records;
                    throw AppError(QStringLiteral("Кавычка, открытая в этой строке, не закрыта "
                                                  "до конца файла."),
                                   file, opened);
                }
                const QChar c = text[i];
                if (c == u'"') {
                    if (i + 1 < size && text[i + 1] == u'"') {
                        field += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                if (c == u'\r' || c == u'\n') {
                    const int length = endOfLine(i);
                    field += QStringView(text).mid(i, length);
                    i += length;
                    ++line;
                    continue;
                }
                field += c;
                ++i;
            }
        }
        // The rest of the field: unquoted text, or what stands after a
        // closing quote, which is kept rather than lost.
        while (i < size && text[i] != delimiter && text[i] != u'\r' && text[i] != u'\n')
            field += text[i++];
        record.cells << field;
        field.clear();
        if (i == size)
            break;
        if (text[i] == delimiter) {
            ++i;
            if (i == size)
                record.cells << QString();
            continue;
        }
        i += endOfLine(i);
        ++line;
        records << record;
        record = {line, {}};
    }
    if (!record.cells.isEmpty())
        records << record;
    return records;
}

// The delimiter that splits the first records most evenly into the most
// fields: a title line or a note has fewer, a comma inside a text in a file
// separated by ";" makes records of different lengths.
QChar findDelimiter(QStringView text, int firstLine, const QString &file)
{
    constexpr qsizetype kSample = 50;
    QChar best = u';';
    qsizetype bestRecords = 0;
    qsizetype bestFields = 1;
    for (const QChar candidate : {u';', u'\t', u','}) {
        QHash<qsizetype, qsizetype> lengths;
        for (const PriceRow &record : split(text, candidate, firstLine, file, kSample))
            if (record.cells.size() > 1)
                ++lengths[record.cells.size()];
        for (auto length = lengths.cbegin(); length != lengths.cend(); ++length) {
            if (length.value() > bestRecords ||
                (length.value() == bestRecords && length.key() > bestFields)) {
                best = candidate;
                bestRecords = length.value();
                bestFields = length.key();
            }
        }
    }
    return best;
}

QString delimiterName(QChar delimiter)
{
    return delimiter == u'\t' ? QStringLiteral("табуляция") : QStringLiteral("«%1»").arg(delimiter);
}

} // namespace

namespace CsvPriceList {

PriceTable read(const QString &path)
{
    RegularFile::require(path, QStringLiteral("Прайс-лист"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Не удалось открыть прайс-лист: ") +
                           SystemErrors::reason(file) + u'.',
                       path);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw AppError(QStringLiteral("Не удалось прочитать прайс-лист: ") +
                           SystemErrors::reason(file) + u'.',
                       path);
    const Decoded decoded = decode(bytes, path);
    QStringView text = decoded.text;
    int firstLine = 1;
    // Excel's own note of the delimiter, "sep=;", on the first line.
    std::optional<QChar> delimiter;
    if (text.startsWith(u"sep=", Qt::CaseInsensitive) && text.size() > 4 &&
        (text.size() == 5 || text[5] == u'\r' || text[5] == u'\n')) {
        delimiter = text[4];
        text = text.mid(5);
        if (text.startsWith(u"\r\n"))
            text = text.mid(2);
        else if (!text.isEmpty())
            text = text.mid(1);
        firstLine = 2;
    }
    if (!delimiter)
        delimiter = findDelimiter(text, firstLine, path);
    PriceTable table;
    table.rows = split(text, *delimiter, firstLine, path);
    table.format = QStringLiteral("CSV, кодировка %1, разделитель %2")
                       .arg(decoded.encoding, delimiterName(*delimiter));
    return table;
}

} // namespace CsvPriceList
