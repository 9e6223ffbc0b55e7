#include "SpecificationFile.h"

#include "AppError.h"
#include "AtomicFile.h"
#include "CodePage1251.h"
#include "Numbers.h"
#include "RegularFile.h"
#include "Session.h"
#include "SystemErrors.h"

#include <QFile>
#include <QStringDecoder>
#include <QVariant>
#include <algorithm>
#include <optional>

namespace SpecificationFile {
namespace {

const QString kHeaderMarker = QStringLiteral("// Заголовок");
const QString kDataMarker = QStringLiteral("// Начало базы");
const QByteArray kUtf8Mark = QByteArrayLiteral("\xEF\xBB\xBF");

// Text as UTF-8, or nothing when a byte of it is not UTF-8 (a U+FEFF at the
// start stays, as it is the file's own text).
std::optional<QString> strictUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless |
                                                       QStringConverter::Flag::ConvertInitialBom);
    QString text = decoder.decode(bytes);
    return decoder.hasError() ? std::nullopt : std::optional(std::move(text));
}

// The line (from 1) of the first byte that is not UTF-8, in bytes that hold
// one. No sequence of UTF-8 holds a line break, so each line is judged alone.
int firstNonUtf8Line(QByteArrayView bytes)
{
    int line = 1;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c != '\r' && c != '\n')
            continue;
        if (!strictUtf8(bytes.sliced(start, i - start)))
            return line;
        if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
        ++line;
    }
    return line;
}

// A UTF-16 file begins with its byte-order mark or, without one, with the
// header marker, in either byte order.
bool isUtf16(const QByteArray &bytes)
{
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
        return true;
    const QByteArrayView head = QByteArrayView(bytes).first(
        qMin(bytes.size(), qsizetype(kHeaderMarker.size() * sizeof(char16_t))));
    for (const auto encoding : {QStringConverter::Utf16LE, QStringConverter::Utf16BE}) {
        if (QString(QStringDecoder(encoding).decode(head)) == kHeaderMarker)
            return true;
    }
    return false;
}

// Code page 1251 as the old program wrote, UTF-8 with a mark as the writer
// writes what the code page cannot hold, and UTF-8 without one as editors on
// Linux write it. Russian text in code page 1251 is practically never valid
// UTF-8 (a capital letter followed by a small one is not), so valid UTF-8 is
// taken for UTF-8; text of ASCII alone reads the same either way.
QString decode(const QByteArray &bytes, const QString &path)
{
    if (isUtf16(bytes))
        throw AppError(QStringLiteral("Это файл в кодировке UTF-16. Файл спецификации должен "
                                      "быть в кодировке windows-1251 или UTF-8: сохраните его "
                                      "заново в одной из них."),
                       path, 1);
    if (bytes.startsWith(kUtf8Mark)) {
        const QByteArrayView text = QByteArrayView(bytes).sliced(kUtf8Mark.size());
        if (std::optional<QString> decoded = strictUtf8(text))
            return *std::move(decoded);
        throw AppError(QStringLiteral("Файл помечен как текст в кодировке UTF-8, но в строке "
                                      "есть байты, которые не являются текстом UTF-8."),
                       path, firstNonUtf8Line(text));
    }
    if (std::optional<QString> decoded = strictUtf8(bytes))
        return *std::move(decoded);
    return CodePage1251::decode(bytes);
}

// Files come from every editor and system: CR LF, a lone LF and a lone CR
// all end a line, and a final terminator does not open another one.
QList<QStringView> splitLines(QStringView text)
{
    QList<QStringView> lines;
    lines.reserve(text.count(u'\n') + 1);
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append(text.sliced(start, i - start));
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.append(text.sliced(start));
    return lines;
}

// Blanks after a marker, left by hand editing, do not matter.
bool isMarker(const QList<QStringView> &lines, qsizetype index, const QString &marker)
{
    if (index >= lines.size())
        return false;
    QStringView line = lines[index];
    while (!line.isEmpty() && line.back().isSpace())
        line.chop(1);
    return line == marker;
}

// An empty line stays NULL in `data`, as the writer renders NULL empty, so
// that a file read and written again does not change.
QString textOrNull(QStringView line)
{
    return line.isEmpty() ? QString() : line.toString();
}

QString shown(QStringView line)
{
    constexpr int kLongest = 40;
    return line.size() <= kLongest ? line.toString()
                                   : line.first(kLongest).toString() + QStringLiteral("…");
}

bool isBlank(QStringView line)
{
    return line.trimmed().isEmpty();
}

// A value as the editor shows it.
QString rendered(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::UnknownType:
        return {};
    case QMetaType::LongLong:
        return QString::number(value.toLongLong());
    case QMetaType::Double:
        return Numbers::general(value.toDouble());
    default:
        return value.toString();
    }
}

} // namespace

void appendLine(QString &text, QStringView value)
{
    // The format has no escapes: a line break inside a value would shift
    // every later line, so it is written as a blank.
    const qsizetype start = text.size();
    text += value;
    for (qsizetype i = start; i < text.size(); ++i) {
        if (text[i] == u'\r' || text[i] == u'\n')
            text[i] = u' ';
    }
    text += QStringLiteral("\r\n");
}

std::optional<qint64> wholeNumber(QStringView line)
{
    const QStringView text = line.trimmed();
    if (text.isEmpty())
        return 0;
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    return ok ? std::optional(value) : std::nullopt;
}

Contents parse(const QByteArray &bytes, const QString &path)
{
    const QString text = decode(bytes, path);
    const QList<QStringView> lines = splitLines(text);
    // One marker may have been damaged by hand; without either, the file is
    // some other text, whose lines would make a header of garbage.
    if (!isMarker(lines, 0, kHeaderMarker) && !isMarker(lines, kHeaderLines - 1, kDataMarker))
        throw AppError(QStringLiteral("Это не файл спецификации: в первой строке нет «%1», "
                                      "в %2-й нет «%3».")
                           .arg(kHeaderMarker)
                           .arg(kHeaderLines)
                           .arg(kDataMarker),
                       path, 1);
    if (lines.size() < kHeaderLines)
        throw AppError(QStringLiteral("Файл обрывается в заголовке спецификации: заголовок "
                                      "занимает %1 строки, в файле их %2.")
                           .arg(kHeaderLines)
                           .arg(lines.size()),
                       path, int(lines.size() + 1));

    Contents contents;
    for (int field = 0; field < HeaderFields::kStoredCount; ++field)
        contents.header.texts[field] = lines[1 + field].toString();

    const auto refused = [&](qsizetype index, const QString &message) {
        return AppError(message.arg(shown(lines[index])), path, int(index + 1));
    };
    // Editors that strip the blank lines at the end of a file leave the last
    // record without its closing line; blank lines added after the last
    // record are no record. Anything else short of a record was cut off.
    qsizetype count = recordCount(lines.size());
    const qsizetype rest = lines.size() - lineOf(count, Number);
    if (rest > 0 && !std::all_of(lines.cbegin() + lineOf(count, Number), lines.cend(), isBlank)) {
        if (rest != Closing)
            throw AppError(QStringLiteral("Запись последней позиции обрывается: в ней %1 из %2 "
                                          "строк (номер, номер группы, имя блока, количество, "
                                          "единица, наименование, примечание и пустая строка). "
                                          "Если редактор удалил пустые строки в конце файла, "
                                          "допишите их.")
                               .arg(rest)
                               .arg(kRecordLines),
                           path, int(lineOf(count, Number) + 1));
        ++count;
    }
    contents.positions.reserve(count);
    for (qsizetype record = 0; record < count; ++record) {
        const qsizetype first = lineOf(record, Number);
        // A value that held a line break shifts every later line: the record
        // would take the next one's lines for its own.
        if (first + Closing < lines.size() && !isBlank(lines[first + Closing]))
            throw refused(first + Closing,
                          QStringLiteral("Запись позиции должна заканчиваться пустой строкой, а "
                                         "здесь «%1»: в файле лишняя или недостающая строка."));
        const std::optional<qint64> number = wholeNumber(lines[first + Number]);
        if (!number)
            throw refused(first + Number,
                          QStringLiteral("Номер позиции «%1» не является целым числом."));
        const std::optional<qint64> group = wholeNumber(lines[first + Group]);
        if (!group)
            throw refused(first + Group,
                          QStringLiteral("Номер группы «%1» не является целым числом."));
        const QString quantityText = lines[first + Quantity].toString();
        if (const std::optional<QString> fault = Numbers::quantityFault(quantityText))
            throw refused(first + Quantity, QStringLiteral("Количество «%1» ") + *fault + u'.');
        const double amount = Numbers::parse(quantityText).value_or(0.0);
        Position position;
        position.number = *number;
        position.groupNumber = *group;
        position.name = textOrNull(lines[first + Name]);
        position.quantity = amount;
        position.unit = textOrNull(lines[first + Unit]);
        // A good outside the catalogue is described by its block name when
        // the file gives no description; the catalogue's own comes later.
        position.caption =
            isBlank(lines[first + Caption]) ? position.name : lines[first + Caption].toString();
        position.comment = textOrNull(lines[first + Comment]);
        contents.positions.append(std::move(position));
    }
    return contents;
}

QByteArray readBytes(const QString &path)
{
    RegularFile::require(path, QStringLiteral("Файл спецификации"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Не удалось открыть файл спецификации: ") +
                           SystemErrors::reason(file) + u'.',
                       path);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw AppError(QStringLiteral("Не удалось прочитать файл спецификации: ") +
                           SystemErrors::reason(file) + u'.',
                       path);
    return bytes;
}

Contents load(const QString &path)
{
    return parse(readBytes(path), path);
}

QStringList lines(const QByteArray &bytes, const QString &path)
{
    const QString text = decode(bytes, path);
    QStringList result;
    for (const QStringView line : splitLines(text))
        result << line.toString();
    return result;
}

QStringList headerLines(const HeaderFields &header)
{
    QStringList result{kHeaderMarker};
    for (int field = 0; field < HeaderFields::kStoredCount; ++field)
        result << header.texts[field];
    result << kDataMarker;
    return result;
}

int read(Session &session, const QString &path)
{
    Contents contents = load(path);
    contents.header[HeaderFields::Stage] = session.document().header()[HeaderFields::Stage];

    // The description is read as the file holds it, so that the one a user
    // wrote for a good outside the catalogue survives; reconciliation puts
    // the catalogue's own over it where the catalogue has the good.
    const int total = int(contents.positions.size());
    SpecificationDocument &document = session.document();
    document.positions().replaceAll(contents.positions,
                                    [&](int done) { session.reportProgress(done, total); });
    session.reportProgress(0, total);
    document.setHeader(contents.header);
    // What the file holds is no edit: nothing before it can be undone.
    document.startAfresh();
    return total;
}

void write(Session &session, const QString &path, Rows rows, EmptyQuantity emptyQuantity)
{
    QString text;
    appendLine(text, kHeaderMarker);
    for (int field = 0; field < HeaderFields::kStoredCount; ++field)
        appendLine(text, session.document().header().texts[field]);
    appendLine(text, kDataMarker);

    const QString emptyQuantityText =
        emptyQuantity == EmptyQuantity::Zero ? QStringLiteral("0") : QString();
    const QList<Position> positions = session.document().positions().read(
        rows == Rows::Shown ? session.viewFilter() : PositionFilter());
    for (const Position &position : positions) {
        appendLine(text, rendered(PositionsTable::value(position, PositionsTable::Number)));
        appendLine(text, rendered(PositionsTable::value(position, PositionsTable::GroupNumber)));
        appendLine(text, position.name);
        const QString quantity =
            rendered(PositionsTable::value(position, PositionsTable::Quantity));
        appendLine(text, quantity.isEmpty() ? emptyQuantityText : Numbers::pointForm(quantity));
        appendLine(text, position.unit);
        appendLine(text, position.caption);
        appendLine(text, position.comment);
        appendLine(text, {});
    }

    // A file in the old code page where it can hold the text; otherwise
    // UTF-8, marked so that the reader tells the two apart.
    const QByteArray bytes =
        CodePage1251::canEncode(text) ? CodePage1251::encode(text) : kUtf8Mark + text.toUtf8();
    AtomicFile::write(path, bytes, QStringLiteral("Не удалось записать файл спецификации"));
}

} // namespace SpecificationFile
