#include "PlainXml.h"

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n';
}

bool isNameStart(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

bool isNameChar(char c)
{
    return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == ':';
}

bool isXmlChar(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// The character an entity or character reference at the start of text
// (after its '&', up to and without its ';') stands for; 0 when none.
char32_t referenced(QByteArrayView reference)
{
    if (reference == "amp")
        return u'&';
    if (reference == "lt")
        return u'<';
    if (reference == "gt")
        return u'>';
    if (reference == "quot")
        return u'"';
    if (reference == "apos")
        return u'\'';
    if (reference.size() < 2 || reference[0] != '#')
        return 0;
    const bool hex = reference[1] == 'x';
    const QByteArrayView digits = reference.sliced(hex ? 2 : 1);
    if (digits.isEmpty() || digits.size() > 8)
        return 0;
    char32_t value = 0;
    for (const char c : digits) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return 0;
        value = value * (hex ? 16 : 10) + char32_t(digit);
    }
    return isXmlChar(value) ? value : 0;
}

} // namespace

PlainXml::PlainXml(QByteArrayView content, const QList<QByteArray> &prefixes)
    : m_xml(content), m_prefixes(prefixes)
{
    if (!m_xml.isValidUtf8())
        m_last = Unsure;
}

PlainXml::Token PlainXml::next()
{
    if (m_last == Unsure)
        return Unsure;
    if (m_closePending) {
        m_closePending = false;
        return m_last = EndElement;
    }
    if (m_at >= m_xml.size())
        return m_open.isEmpty() ? (m_last = End) : unsure();
    if (m_xml[m_at] != '<')
        return textRun();
    if (m_at + 1 >= m_xml.size())
        return unsure();
    if (m_xml[m_at + 1] == '/')
        return endTag();
    return startTag();
}

bool PlainXml::readName(QByteArrayView &qualified, QByteArrayView &local)
{
    const qsizetype start = m_at;
    if (m_at >= m_xml.size() || !isNameStart(m_xml[m_at]))
        return false;
    qsizetype colon = -1;
    while (m_at < m_xml.size() && isNameChar(m_xml[m_at])) {
        if (m_xml[m_at] == ':') {
            if (colon >= 0)
                return false;
            colon = m_at;
        }
        ++m_at;
    }
    qualified = m_xml.sliced(start, m_at - start);
    local = colon < 0 ? qualified : m_xml.sliced(colon + 1, m_at - colon - 1);
    return !local.isEmpty() && isNameStart(local[0]);
}

bool PlainXml::knownPrefix(QByteArrayView qualified, QByteArrayView local) const
{
    if (qualified.size() == local.size())
        return true;
    const QByteArrayView prefix = qualified.first(qualified.size() - local.size() - 1);
    if (prefix == "xmlns")
        return false;
    for (const QByteArray &known : m_prefixes)
        if (prefix == known)
            return true;
    return false;
}

PlainXml::Token PlainXml::startTag()
{
    ++m_at; // '<'
    QByteArrayView qualified;
    if (!readName(qualified, m_localName) || !knownPrefix(qualified, m_localName))
        return unsure();
    m_attributes.clear();
    for (;;) {
        const qsizetype before = m_at;
        while (m_at < m_xml.size() && isSpace(m_xml[m_at]))
            ++m_at;
        if (m_at >= m_xml.size())
            return unsure();
        if (m_xml[m_at] == '>') {
            ++m_at;
            m_open.append(qualified);
            return m_last = StartElement;
        }
        if (m_xml[m_at] == '/') {
            if (m_at + 1 >= m_xml.size() || m_xml[m_at + 1] != '>')
                return unsure();
            m_at += 2;
            m_closePending = true;
            return m_last = StartElement;
        }
        // Attributes are apart from the name and from each other.
        if (m_at == before)
            return unsure();
        QByteArrayView attributeName, attributeLocal;
        if (!readName(attributeName, attributeLocal) || attributeName == "xmlns" ||
            (attributeName.size() != attributeLocal.size() && !attributeName.startsWith("xml:") &&
             !knownPrefix(attributeName, attributeLocal)))
            return unsure();
        while (m_at < m_xml.size() && isSpace(m_xml[m_at]))
            ++m_at;
        if (m_at >= m_xml.size() || m_xml[m_at] != '=')
            return unsure();
        ++m_at;
        while (m_at < m_xml.size() && isSpace(m_xml[m_at]))
            ++m_at;
        if (m_at >= m_xml.size() || (m_xml[m_at] != '"' && m_xml[m_at] != '\''))
            return unsure();
        const char quote = m_xml[m_at++];
        const qsizetype start = m_at;
        while (m_at < m_xml.size() && m_xml[m_at] != quote) {
            const char c = m_xml[m_at];
            // A reference or white space that XML would normalize is left to
            // the full reader.
            if (c == '<' || c == '&' || (uchar(c) < 0x20))
                return unsure();
            ++m_at;
        }
        if (m_at >= m_xml.size())
            return unsure();
        for (const Attribute &known : std::as_const(m_attributes))
            if (known.name == attributeName)
                return unsure();
        m_attributes.append({attributeName, m_xml.sliced(start, m_at - start)});
        ++m_at; // the closing quote
    }
}

PlainXml::Token PlainXml::endTag()
{
    m_at += 2; // "</"
    QByteArrayView qualified;
    if (!readName(qualified, m_localName))
        return unsure();
    while (m_at < m_xml.size() && isSpace(m_xml[m_at]))
        ++m_at;
    if (m_at >= m_xml.size() || m_xml[m_at] != '>' || m_open.isEmpty() ||
        m_open.last() != qualified)
        return unsure();
    ++m_at;
    m_open.removeLast();
    return m_last = EndElement;
}

PlainXml::Token PlainXml::textRun()
{
    const qsizetype start = m_at;
    m_textHasReferences = false;
    while (m_at < m_xml.size() && m_xml[m_at] != '<') {
        const char c = m_xml[m_at];
        if (c == '&') {
            const qsizetype end = m_xml.indexOf(';', m_at);
            if (end < 0 || end - m_at > 12 || !referenced(m_xml.sliced(m_at + 1, end - m_at - 1)))
                return unsure();
            m_textHasReferences = true;
            m_at = end + 1;
            continue;
        }
        if ((uchar(c) < 0x20 && c != '\t' && c != '\n') ||
            (c == '>' && m_at >= 2 && m_xml[m_at - 1] == ']' && m_xml[m_at - 2] == ']'))
            return unsure();
        ++m_at;
    }
    m_text = m_xml.sliced(start, m_at - start);
    return m_last = Text;
}

QByteArrayView PlainXml::attribute(QByteArrayView localName) const
{
    for (const Attribute &attribute : m_attributes) {
        const QByteArrayView name = attribute.name;
        if (name == localName || (name.size() > localName.size() && name.endsWith(localName) &&
                                  name[name.size() - localName.size() - 1] == ':'))
            return attribute.value;
    }
    return {};
}

QString PlainXml::text() const
{
    if (!m_textHasReferences)
        return QString::fromUtf8(m_text);
    QString text;
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = m_text.indexOf('&', from);
        if (at < 0)
            return text + QString::fromUtf8(m_text.sliced(from));
        text += QString::fromUtf8(m_text.sliced(from, at - from));
        const qsizetype end = m_text.indexOf(';', at);
        const char32_t c = referenced(m_text.sliced(at + 1, end - at - 1));
        text += QString::fromUcs4(&c, 1);
        from = end + 1;
    }
}

bool PlainXml::elementText(QString &text)
{
    text.clear();
    for (;;) {
        switch (next()) {
        case Text:
            text += this->text();
            break;
        case EndElement:
            return true;
        default:
            return false;
        }
    }
}

bool PlainXml::skipElement()
{
    for (int depth = 1; depth > 0;) {
        switch (next()) {
        case StartElement:
            ++depth;
            break;
        case EndElement:
            --depth;
            break;
        case Text:
            break;
        default:
            return false;
        }
    }
    return true;
}
