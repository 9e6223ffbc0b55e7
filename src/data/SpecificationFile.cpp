#include "SpecificationFile.h"

#include "AppError.h"
#include "AtomicFile.h"
#include "CodePage1251.h"
#include "Numbers.h"
#include "RegularFile.h"
#include "Session.h"
#include "SystemErrors.h"

#include <QBuffer>
#include <QFile>
#include <QStringDecoder>
#include <QVariant>
#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

namespace SpecificationFile {
namespace {

const QString kHeaderMarker = QStringLiteral("// Заголовок");
const QString kDataMarker = QStringLiteral("// Начало базы");
const QByteArray kUtf8Mark = QByteArrayLiteral("\xEF\xBB\xBF");

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

// A line of a UTF-8 file. A U+FEFF that begins it is its own text, which
// QString::fromUtf8 would drop as a byte-order mark.
QString fromUtf8(QByteArrayView line)
{
    if (!line.startsWith(kUtf8Mark))
        return QString::fromUtf8(line);
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless |
                                                       QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(line);
}

bool isAscii(QByteArrayView line)
{
    return std::all_of(line.begin(), line.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Blanks after a marker, left by hand editing, do not matter.
bool isMarker(const QStringList &lines, qsizetype index, const QString &marker)
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
QString textOrNull(QString line)
{
    return line.isEmpty() ? QString() : std::move(line);
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

// The lines of a device, read a block at a time. CR LF, a lone LF and a
// lone CR all end a line, as files come from every editor and system, and a
// final line end opens no further line. A line is a view into the block,
// good until the next call.
class LineSource {
public:
    LineSource(QIODevice &device, const QString &path) : m_device(device), m_path(path)
    {
        m_buffer.resize(kBlock);
    }

    // The offset in the device of the next line.
    qint64 offset() const { return m_offset; }

    // Goes to offset, the start of a line.
    void seek(qint64 offset)
    {
        if (!m_device.seek(offset))
            failed();
        m_offset = offset;
        m_start = m_scanned = m_end = 0;
        m_atEnd = false;
    }

    bool next(QByteArrayView &line)
    {
        for (;;) {
            const char *data = m_buffer.constData();
            const qsizetype i = lineEnd(data, m_scanned, m_end);
            m_scanned = i;
            // A CR that ends the block may be the first half of a CR LF.
            if (i < m_end && (data[i] == '\n' || i + 1 < m_end || m_atEnd)) {
                qsizetype after = i + 1;
                if (data[i] == '\r' && after < m_end && data[after] == '\n')
                    ++after;
                take(line, i, after);
                return true;
            }
            if (!m_atEnd) {
                fill();
                continue;
            }
            if (m_start == m_end)
                return false;
            take(line, m_end, m_end);
            return true;
        }
    }

private:
    static constexpr qsizetype kBlock = 64 * 1024;

    // The first CR or LF in data from from on, or to. The library's search
    // for one byte looks at many at a time; a window keeps the search for
    // one kind of line end from running far past the other.
    static qsizetype lineEnd(const char *data, qsizetype from, qsizetype to)
    {
        constexpr qsizetype kWindow = 256;
        while (from < to) {
            const qsizetype window = std::min(to - from, kWindow);
            const auto *lf =
                static_cast<const char *>(std::memchr(data + from, '\n', size_t(window)));
            const qsizetype limit = lf ? lf - data : from + window;
            if (const auto *cr =
                    static_cast<const char *>(std::memchr(data + from, '\r', size_t(limit - from))))
                return cr - data;
            if (lf)
                return limit;
            from = limit;
        }
        return to;
    }

    void take(QByteArrayView &line, qsizetype end, qsizetype after)
    {
        line = QByteArrayView(m_buffer.constData() + m_start, end - m_start);
        m_offset += after - m_start;
        m_start = m_scanned = after;
    }

    // Keeps the line begun at the front of the block and reads after it; a
    // line longer than the block makes the block larger.
    void fill()
    {
        const qsizetype begun = m_end - m_start;
        if (m_start > 0) {
            std::memmove(m_buffer.data(), m_buffer.constData() + m_start, size_t(begun));
            m_scanned -= m_start;
            m_start = 0;
            m_end = begun;
        }
        if (m_end == m_buffer.size())
            m_buffer.resize(m_buffer.size() * 2);
        const qint64 got = m_device.read(m_buffer.data() + m_end, m_buffer.size() - m_end);
        if (got < 0)
            failed();
        if (got == 0)
            m_atEnd = true;
        m_end += got;
    }

    [[noreturn]] void failed() const
    {
        const auto *file = qobject_cast<const QFileDevice *>(&m_device);
        throw AppError(QStringLiteral("Не удалось прочитать файл спецификации: ") +
                           (file ? SystemErrors::reason(*file) : m_device.errorString()) + u'.',
                       m_path);
    }

    QIODevice &m_device;
    const QString &m_path;
    QByteArray m_buffer;
    qsizetype m_start = 0;   // the line begun
    qsizetype m_scanned = 0; // how far it is known to hold no line end
    qsizetype m_end = 0;     // the bytes read
    qint64 m_offset = 0;     // of m_start in the device
    bool m_atEnd = false;
};

Reader::Reader(const QString &path) : m_path(path)
{
    RegularFile::require(path, QStringLiteral("Файл спецификации"));
    // Blocks go straight into the line source, not through Qt's buffer too.
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw AppError(QStringLiteral("Не удалось открыть файл спецификации: ") +
                           SystemErrors::reason(*file) + u'.',
                       path);
    m_device = std::move(file);
    scan();
}

Reader::Reader(const QByteArray &bytes, const QString &path) : m_path(path)
{
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(bytes);
    buffer->open(QIODevice::ReadOnly);
    m_device = std::move(buffer);
    scan();
}

Reader::~Reader() = default;

// Code page 1251 as the old program wrote, UTF-8 with a mark as the writer
// writes what the code page cannot hold, and UTF-8 without one as editors on
// Linux write it. Russian text in code page 1251 is practically never valid
// UTF-8 (a capital letter followed by a small one is not), so a file that is
// valid UTF-8 throughout is taken for UTF-8; text of ASCII alone reads the
// same either way. No sequence of UTF-8 holds a line end, so each line is
// judged alone, and the first that is not UTF-8 settles it.
void Reader::scan()
{
    const QByteArray head = m_device->read(kHeaderMarker.size() * qsizetype(sizeof(char16_t)));
    if (isUtf16(head))
        throw AppError(QStringLiteral("Это файл в кодировке UTF-16. Файл спецификации должен "
                                      "быть в кодировке windows-1251 или UTF-8: сохраните его "
                                      "заново в одной из них."),
                       m_path, 1);
    const bool marked = head.startsWith(kUtf8Mark);
    m_lines = std::make_unique<LineSource>(*m_device, m_path);
    m_lines->seek(marked ? kUtf8Mark.size() : 0);

    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString scratch;
    QList<QByteArray> headLines;
    // Where each of the last lines starts, to look at those after the last
    // whole record again.
    std::array<qint64, kRecordLines> starts{};
    qsizetype count = 0;
    qint64 start = m_lines->offset();
    QByteArrayView line;
    while (m_lines->next(line)) {
        if (count < kHeaderLines)
            headLines << line.toByteArray();
        else if (count == kHeaderLines)
            m_recordsStart = start;
        starts[count % kRecordLines] = start;
        if (m_utf8 && !isAscii(line)) {
            scratch.resize(utf8.requiredSpace(line.size()));
            utf8.appendToBuffer(scratch.data(), line);
            if (utf8.hasError()) {
                if (marked)
                    throw AppError(QStringLiteral("Файл помечен как текст в кодировке UTF-8, но "
                                                  "в строке есть байты, которые не являются "
                                                  "текстом UTF-8."),
                                   m_path, int(count + 1));
                m_utf8 = false;
            }
        }
        ++count;
        start = m_lines->offset();
    }

    QStringList lines;
    for (const QByteArray &bytes : std::as_const(headLines))
        lines << decoded(bytes);
    // One marker may have been damaged by hand; without either, the file is
    // some other text, whose lines would make a header of garbage.
    if (!isMarker(lines, 0, kHeaderMarker) && !isMarker(lines, kHeaderLines - 1, kDataMarker))
        throw AppError(QStringLiteral("Это не файл спецификации: в первой строке нет «%1», "
                                      "в %2-й нет «%3».")
                           .arg(kHeaderMarker)
                           .arg(kHeaderLines)
                           .arg(kDataMarker),
                       m_path, 1);
    if (count < kHeaderLines)
        throw AppError(QStringLiteral("Файл обрывается в заголовке спецификации: заголовок "
                                      "занимает %1 строки, в файле их %2.")
                           .arg(kHeaderLines)
                           .arg(count),
                       m_path, int(count + 1));
    for (int field = 0; field < HeaderFields::kStoredCount; ++field)
        m_header.texts[field] = lines[1 + field];

    // Editors that strip the blank lines at the end of a file leave the last
    // record without its closing line; blank lines added after the last
    // record are no record. Anything else short of a record was cut off.
    m_count = recordCount(count);
    const qsizetype first = lineOf(m_count, Number);
    const qsizetype rest = count - first;
    if (rest > 0) {
        m_lines->seek(starts[first % kRecordLines]);
        bool blank = true;
        for (qsizetype i = 0; i < rest && m_lines->next(line); ++i)
            blank = blank && isBlank(decoded(line));
        if (!blank) {
            if (rest != Closing)
                throw AppError(QStringLiteral("Запись последней позиции обрывается: в ней %1 "
                                              "из %2 строк (номер, номер группы, имя блока, "
                                              "количество, единица, наименование, примечание и "
                                              "пустая строка). Если редактор удалил пустые "
                                              "строки в конце файла, допишите их.")
                                   .arg(rest)
                                   .arg(kRecordLines),
                               m_path, int(first + 1));
            ++m_count;
        }
    }
    if (m_count > 0)
        m_lines->seek(m_recordsStart);
}

QString Reader::decoded(QByteArrayView line) const
{
    return m_utf8 ? fromUtf8(line) : CodePage1251::decode(line);
}

AppError Reader::refused(qsizetype index, QStringView line, const QString &message) const
{
    return AppError(message.arg(shown(line)), m_path, int(index + 1));
}

bool Reader::next(Position &position)
{
    if (m_read == m_count)
        return false;
    const qsizetype first = lineOf(m_read, Number);
    std::array<QString, kRecordLines> lines;
    for (int line = Number; line < kRecordLines; ++line) {
        QByteArrayView bytes;
        if (!m_lines->next(bytes)) {
            // The last record may lack its closing line.
            if (line == Closing && m_read + 1 == m_count)
                break;
            throw AppError(QStringLiteral("Файл спецификации изменился, пока его читали: "
                                          "откройте его снова."),
                           m_path, int(first + line + 1));
        }
        lines[line] = decoded(bytes);
    }
    // A value that held a line break shifts every later line: the record
    // would take the next one's lines for its own.
    if (!isBlank(lines[Closing]))
        throw refused(first + Closing, lines[Closing],
                      QStringLiteral("Запись позиции должна заканчиваться пустой строкой, а "
                                     "здесь «%1»: в файле лишняя или недостающая строка."));
    const std::optional<qint64> number = wholeNumber(lines[Number]);
    if (!number)
        throw refused(first + Number, lines[Number],
                      QStringLiteral("Номер позиции «%1» не является целым числом."));
    const std::optional<qint64> group = wholeNumber(lines[Group]);
    if (!group)
        throw refused(first + Group, lines[Group],
                      QStringLiteral("Номер группы «%1» не является целым числом."));
    const QString &quantityText = lines[Quantity];
    std::optional<double> quantity;
    if (const std::optional<QString> fault = Numbers::quantityFault(quantityText, &quantity))
        throw refused(first + Quantity, quantityText,
                      QStringLiteral("Количество «%1» ") + *fault + u'.');
    position = Position();
    position.number = *number;
    position.groupNumber = *group;
    position.name = textOrNull(std::move(lines[Name]));
    position.quantity = quantity.value_or(0.0);
    position.unit = textOrNull(std::move(lines[Unit]));
    // A good outside the catalogue is described by its block name when the
    // file gives no description; the catalogue's own comes later.
    position.caption = isBlank(lines[Caption]) ? position.name : std::move(lines[Caption]);
    position.comment = textOrNull(std::move(lines[Comment]));
    ++m_read;
    return true;
}

namespace {

Contents readWhole(Reader &reader)
{
    Contents contents;
    contents.header = reader.header();
    contents.positions.reserve(reader.count());
    Position position;
    while (reader.next(position))
        contents.positions.append(std::move(position));
    return contents;
}

} // namespace

Contents parse(const QByteArray &bytes, const QString &path)
{
    Reader reader(bytes, path);
    return readWhole(reader);
}

Contents load(const QString &path)
{
    Reader reader(path);
    return readWhole(reader);
}

QStringList headerLines(const HeaderFields &header)
{
    QStringList result{kHeaderMarker};
    for (int field = 0; field < HeaderFields::kStoredCount; ++field)
        result << header.texts[field];
    result << kDataMarker;
    return result;
}

int read(Session &session, const QString &path, const Completion &complete)
{
    Reader reader(path);
    SpecificationDocument &document = session.document();
    const HeaderFields before = document.header();
    HeaderFields header = reader.header();
    header[HeaderFields::Stage] = before[HeaderFields::Stage];

    // The positions are stored as they are read, a batch at a time, in one
    // transaction that a refused record rolls back. The description is the
    // file's own, so that the one a user wrote for a good outside the
    // catalogue survives; complete puts the catalogue's over it.
    const int total = int(reader.count());
    PositionsTable &table = document.positions();
    int done = 0;
    try {
        table.inTransaction([&] {
            table.replaceAll({});
            QList<Position> batch;
            batch.reserve(kBatch);
            const auto store = [&] {
                if (complete)
                    complete(batch);
                table.insertAll(batch);
                for (qsizetype i = 0; i < batch.size(); ++i)
                    session.reportProgress(++done, total);
                batch.clear();
            };
            Position position;
            while (reader.next(position)) {
                batch.append(std::move(position));
                if (batch.size() == kBatch)
                    store();
            }
            store();
            // The header and the fresh start go in with the positions, so
            // that the working database never holds one file's positions
            // under another's header. What the file holds is no edit:
            // nothing before it can be undone.
            document.setHeader(header);
            document.startAfresh();
        });
    } catch (...) {
        document.setHeader(before);
        session.reportProgress(0, total);
        throw;
    }
    session.reportProgress(0, total);
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
