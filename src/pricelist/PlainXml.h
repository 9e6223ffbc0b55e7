#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

// A strict pull reader of the plain XML that spreadsheet programs write into
// the large parts of a workbook (a sheet's rows, the shared strings): the
// content of one element, in UTF-8, made of elements with attributes and
// text with the five entities and character references. It reads far
// quicker than QXmlStreamReader, which decodes and checks every token for
// the whole of XML. Whatever lies outside that subset (a comment, CDATA, a
// processing instruction, a namespace declared inside, an unknown prefix, a
// name that is not ASCII, a carriage return, a control character) or breaks
// the rules of XML makes it answer Unsure, and the caller reads the part
// with QXmlStreamReader instead, which also says what is wrong and where.
class PlainXml {
public:
    enum Token { StartElement, EndElement, Text, End, Unsure };

    // content: what lies between an element's start and end tags; prefixes:
    // the namespace prefixes declared around it.
    PlainXml(QByteArrayView content, const QList<QByteArray> &prefixes);

    Token next();

    // The local name of the element just started or ended.
    QByteArrayView name() const { return m_localName; }
    // The value of the started element's attribute of that local name;
    // empty when it has none.
    QByteArrayView attribute(QByteArrayView localName) const;
    // The text just read, its references replaced.
    QString text() const;
    // The text up to the end of the element just started, which may hold
    // text alone (QXmlStreamReader's readElementText()); false when it holds
    // an element or the reader is unsure.
    bool elementText(QString &text);
    // Passes over the rest of the element just started.
    bool skipElement();

private:
    struct Attribute {
        QByteArrayView name;
        QByteArrayView value;
    };

    Token unsure() { return m_last = Unsure; }
    bool readName(QByteArrayView &qualified, QByteArrayView &local);
    bool knownPrefix(QByteArrayView qualified, QByteArrayView local) const;
    Token startTag();
    Token endTag();
    Token textRun();

    QByteArrayView m_xml;
    qsizetype m_at = 0;
    QList<QByteArray> m_prefixes;
    QList<QByteArrayView> m_open; // qualified names of the elements open
    QList<Attribute> m_attributes;
    QByteArrayView m_localName;
    QByteArrayView m_text;
    bool m_textHasReferences = false;
    bool m_closePending = false; // an empty element's end, due next
    Token m_last = End;
};
