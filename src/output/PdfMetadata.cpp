#include "PdfMetadata.h"

#include "AppError.h"

#include <QRegularExpression>
#include <QTimeZone>

namespace PdfMetadata {
namespace {

// Each entry of a cross-reference table: "0000012345 00000 n \n".
constexpr qsizetype kEntrySize = 20;

QString escaped(const QString &text)
{
    return text.toHtmlEscaped().replace(u'\'', QStringLiteral("&#39;"));
}

// "+03:00", or "Z" at UTC; the dictionary writes "+03'00'".
QString zone(const QDateTime &time, QChar separator, const QString &end)
{
    const int offset = time.offsetFromUtc() / 60;
    if (offset == 0)
        return QStringLiteral("Z");
    const auto twoDigits = [](int value) { return QString::number(value).rightJustified(2, u'0'); };
    return QString(offset < 0 ? u'-' : u'+') + twoDigits(std::abs(offset) / 60) + separator +
           twoDigits(std::abs(offset) % 60) + end;
}

QString xmpDate(const QDateTime &time)
{
    return time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) + zone(time, u':', QString());
}

QByteArray pdfDate(const QDateTime &time)
{
    return (QStringLiteral("(D:") + time.toString(QStringLiteral("yyyyMMddHHmmss")) +
            zone(time, u'\'', QStringLiteral("'")) + u')')
        .toLatin1();
}

// A text string of the dictionary: UTF-16 with its byte-order mark, in hex,
// so that no character needs escaping.
QByteArray pdfText(const QString &text)
{
    QByteArray utf16;
    utf16.reserve(2 + 2 * text.size());
    utf16.append(char(0xfe)).append(char(0xff));
    for (const QChar c : text)
        utf16.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xff));
    return '<' + utf16.toHex().toUpper() + '>';
}

[[noreturn]] void unexpected()
{
    throw AppError(QStringLiteral("Не удалось вписать в файл PDF сведения о документе: "
                                  "библиотека PDF записала его в неожиданном виде."));
}

} // namespace

QByteArray xmp(const Fields &fields)
{
    const DocumentInfo &info = fields.info;
    QString dublinCore = QStringLiteral("      <dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">%1"
                                        "</rdf:li></rdf:Alt></dc:title>\n")
                             .arg(escaped(info.title));
    if (!info.author.isEmpty())
        dublinCore += QStringLiteral("      <dc:creator><rdf:Seq><rdf:li>%1</rdf:li></rdf:Seq>"
                                     "</dc:creator>\n")
                          .arg(escaped(info.author));
    if (!info.subject.isEmpty())
        dublinCore +=
            QStringLiteral("      <dc:description><rdf:Alt><rdf:li xml:lang=\"x-default\">"
                           "%1</rdf:li></rdf:Alt></dc:description>\n")
                .arg(escaped(info.subject));
    const QString date = xmpDate(fields.created);
    const QString packet =
        QStringLiteral(
            "<?xpacket begin=\"\uFEFF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
            "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
            "  <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
            "    <rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n"
            "%1"
            "    </rdf:Description>\n"
            "    <rdf:Description rdf:about=\"\" xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\">\n"
            "      <xmp:CreatorTool>%2</xmp:CreatorTool>\n"
            "      <xmp:CreateDate>%3</xmp:CreateDate>\n"
            "      <xmp:ModifyDate>%3</xmp:ModifyDate>\n"
            "    </rdf:Description>\n"
            "    <rdf:Description rdf:about=\"\" xmlns:pdf=\"http://ns.adobe.com/pdf/1.3/\">\n"
            "      <pdf:Producer>%4</pdf:Producer>\n"
            "    </rdf:Description>\n"
            "    <rdf:Description rdf:about=\"\" "
            "xmlns:pdfaid=\"http://www.aiim.org/pdfa/ns/id/\">\n"
            "      <pdfaid:part>1</pdfaid:part>\n"
            "      <pdfaid:conformance>B</pdfaid:conformance>\n"
            "    </rdf:Description>\n"
            "  </rdf:RDF>\n"
            "</x:xmpmeta>\n"
            "<?xpacket end=\"w\"?>")
            .arg(dublinCore, escaped(fields.creator), date, escaped(fields.producer));
    return packet.toUtf8();
}

void rewriteInfo(QByteArray &pdf, const Fields &fields)
{
    // The one table, its trailer and where the dictionary lies.
    const qsizetype startXref = pdf.lastIndexOf("startxref");
    if (startXref < 0)
        unexpected();
    bool ok = false;
    const qsizetype table =
        pdf.mid(startXref + 9, 24).trimmed().split('\n').value(0).trimmed().toLongLong(&ok);
    if (!ok || table <= 0 || table >= startXref || !pdf.mid(table).startsWith("xref\n0 "))
        unexpected();
    const qsizetype firstEntry = pdf.indexOf('\n', table + 5) + 1;
    const qsizetype count = pdf.mid(table + 7, firstEntry - table - 8).toLongLong(&ok);
    const qsizetype trailer = firstEntry + count * kEntrySize;
    if (!ok || firstEntry <= 0 || !pdf.mid(trailer).startsWith("trailer"))
        unexpected();
    static const QRegularExpression infoReference(QStringLiteral("/Info (\\d+) 0 R"));
    const QRegularExpressionMatch reference =
        infoReference.match(QString::fromLatin1(pdf.mid(trailer, startXref - trailer)));
    const qsizetype object = reference.captured(1).toLongLong(&ok);
    if (!ok || object <= 0 || object >= count)
        unexpected();
    const auto offsetOf = [&](qsizetype entry) {
        return pdf.mid(firstEntry + entry * kEntrySize, 10).toLongLong();
    };
    const qsizetype start = offsetOf(object);
    const qsizetype end = pdf.indexOf("endobj\n", start) + 7;
    if (!pdf.mid(start).startsWith(QByteArray::number(object) + " 0 obj") || end < 7 || end > table)
        unexpected();

    const DocumentInfo &info = fields.info;
    QByteArray dictionary =
        QByteArray::number(object) + " 0 obj\n<<\n/Title " + pdfText(info.title) + '\n';
    if (!info.author.isEmpty())
        dictionary += "/Author " + pdfText(info.author) + '\n';
    if (!info.subject.isEmpty())
        dictionary += "/Subject " + pdfText(info.subject) + '\n';
    dictionary += "/Creator " + pdfText(fields.creator) + "\n/Producer " +
                  pdfText(fields.producer) + "\n/CreationDate " + pdfDate(fields.created) +
                  "\n/ModDate " + pdfDate(fields.created) + "\n>>\nendobj\n";
    const qsizetype shift = dictionary.size() - (end - start);

    QByteArray entries;
    entries.reserve(count * kEntrySize);
    for (qsizetype entry = 0; entry < count; ++entry) {
        QByteArray line = pdf.mid(firstEntry + entry * kEntrySize, kEntrySize);
        const qsizetype offset = line.left(10).toLongLong();
        if (line.at(17) == 'n' && offset > start)
            line.replace(0, 10, QByteArray::number(offset + shift).rightJustified(10, '0'));
        entries += line;
    }
    QByteArray rewritten;
    rewritten.reserve(pdf.size() + shift);
    rewritten += pdf.left(start);
    rewritten += dictionary;
    rewritten += pdf.mid(end, firstEntry - end);
    rewritten += entries;
    rewritten += pdf.mid(trailer, startXref - trailer);
    rewritten += "startxref\n" + QByteArray::number(table + shift) + "\n%%EOF\n";
    pdf = rewritten;
}

} // namespace PdfMetadata
