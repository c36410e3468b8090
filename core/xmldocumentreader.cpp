#include "xmldocumentreader.h"
#include "corelogging.h"

#include <QDebug>
#include <QDomDocument>
#include <QHash>
#include <QIODevice>
#include <QVector>
#include <QXmlStreamReader>

#include <algorithm>

namespace {

// Builds the DOM from the tokens of the checking pass, node for node as the
// DOM parser builds it: no text that is only white space outside CDATA, the
// XML declaration as a processing instruction named "xml". A DTD or an
// entity reference the reader leaves unresolved is the DOM parser's to
// read: the builder then stops and leaves the whole document to it.
class DomBuilder
{
public:
    explicit DomBuilder(QDomDocument& document)
        : m_document(document)
        , m_current(document)
    {
    }

    // False when the document must go to the DOM parser after all.
    bool add(const QXmlStreamReader& reader)
    {
        switch (reader.tokenType()) {
        case QXmlStreamReader::StartDocument:
            if (!reader.documentVersion().isEmpty())
                m_current.appendChild(m_document.createProcessingInstruction(QStringLiteral("xml"), declaration(reader)));
            return true;
        case QXmlStreamReader::StartElement: {
            QDomElement element = m_document.createElement(shared(reader.qualifiedName()));
            const QXmlStreamAttributes attributes = reader.attributes();
            for (const QXmlStreamAttribute& attribute : attributes)
                element.setAttribute(shared(attribute.qualifiedName()), shared(attribute.value()));
            m_current.appendChild(element);
            m_current = element;
            return true;
        }
        case QXmlStreamReader::EndElement:
            m_current = m_current.parentNode();
            return true;
        case QXmlStreamReader::Characters:
            if (reader.isCDATA())
                m_current.appendChild(m_document.createCDATASection(reader.text().toString()));
            else if (!isBlank(reader.text()))
                m_current.appendChild(m_document.createTextNode(reader.text().toString()));
            return true;
        case QXmlStreamReader::Comment:
            m_current.appendChild(m_document.createComment(reader.text().toString()));
            return true;
        case QXmlStreamReader::ProcessingInstruction:
            m_current.appendChild(m_document.createProcessingInstruction(reader.processingInstructionTarget().toString(),
                                                                         reader.processingInstructionData().toString()));
            return true;
        case QXmlStreamReader::DTD:
        case QXmlStreamReader::EntityReference:
            return false;
        default:
            return true;
        }
    }

private:
    // Names, and short values, repeat from element to element: each is
    // allocated once and shared by the nodes that hold it.
    QString shared(const QStringRef& text)
    {
        constexpr int LongestShared = 24;
        if (text.size() > LongestShared)
            return text.toString();
        const uint key = qHash(text);
        for (auto it = m_shared.constFind(key); it != m_shared.cend() && it.key() == key; ++it) {
            if (*it == text)
                return *it;
        }
        QString copy = text.toString();
        m_shared.insert(key, copy);
        return copy;
    }

    // Text the DOM parser drops: white space alone, whether written as such
    // or as character references.
    static bool isBlank(const QStringRef& text)
    {
        return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.isSpace(); });
    }

    // The declaration's data as the DOM parser words it.
    static QString declaration(const QXmlStreamReader& reader)
    {
        QString data = QStringLiteral("version='%1'").arg(reader.documentVersion());
        if (!reader.documentEncoding().isEmpty())
            data += QStringLiteral(" encoding='%1'").arg(reader.documentEncoding());
        if (reader.isStandaloneDocument())
            data += QStringLiteral(" standalone='yes'");
        return data;
    }

    QDomDocument& m_document;
    QDomNode m_current;
    QMultiHash<uint, QString> m_shared;
};

// Whether the DOM parser must read `content` itself: it keeps a carriage
// return as it stands, and tabs and line breaks inside a tag's attribute
// values, where the streaming reader turns them into spaces. Files the
// program writes have none of these. A '<' cannot occur inside a tag, so
// every start tag is scanned from its own start, quotes and all.
bool needsDomParser(const QByteArray& content)
{
    if (content.contains('\r'))
        return true;
    bool inTag = false;
    char quote = 0;
    for (int i = 0; i < content.size(); ++i) {
        const char c = content.at(i);
        if (c == '<') {
            inTag = true;
            quote = 0;
        } else if (!inTag) {
            continue;
        } else if (quote) {
            if (c == quote)
                quote = 0;
            else if (c == '\n' || c == '\t')
                return true;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            inTag = false;
        }
    }
    return false;
}

// The checking pass: why the content may not be read, empty when it may.
// `refused` tells a broken limit from content that is not well-formed. With
// a `builder` the pass also builds the DOM, as far as the builder can;
// `builderDone` then tells whether it built all of it.
QString checkContent(const QByteArray& content, const XmlElementCheck& check, bool* refused, DomBuilder* builder,
                     bool* builderDone)
{
    QXmlStreamReader reader(content);
    reader.setNamespaceProcessing(false);
    // The child elements met so far under each open element; the first
    // entry counts the document's own.
    QVector<int> children{0};
    qint64 elements = 0;
    *refused = true;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement: {
            const int depth = children.size();
            if (depth > MaxXmlDepth)
                return QStringLiteral("XML nested deeper than %1 levels at line %2, not read")
                    .arg(MaxXmlDepth)
                    .arg(qMax<qint64>(1, reader.lineNumber()));
            const int position = ++children.last();
            children.append(0);
            if (!check)
                break;
            const QXmlStreamAttributes attributes = reader.attributes();
            const QString refusal =
                check({reader.qualifiedName(), attributes, depth, position, ++elements, reader.lineNumber()});
            if (!refusal.isEmpty())
                return refusal;
            break;
        }
        case QXmlStreamReader::EndElement:
            children.removeLast();
            break;
        default:
            break;
        }
        // Checked first: an element that breaks a limit is never built.
        if (builder && !reader.hasError() && !builder->add(reader))
            builder = nullptr;
    }
    *refused = false;
    if (builderDone)
        *builderDone = builder != nullptr;
    if (reader.hasError())
        return QStringLiteral("%1 at line %2, column %3")
            .arg(reader.errorString())
            .arg(reader.lineNumber())
            .arg(reader.columnNumber());
    return QString();
}

bool refuse(QDomDocument* document, QString* error, const QString& reason)
{
    if (document)
        document->clear();
    if (error)
        *error = reason;
    return false;
}

} // namespace

bool readXmlDocument(const QByteArray& content, QDomDocument* document, QString* error, const XmlElementCheck& check,
                     bool* refused)
{
    bool overLimit = false;
    // Made with its private part, as the builder's first parent.
    QDomDocument built{QString()};
    DomBuilder builder(built);
    bool builtWhole = false;
    const bool build = document && !needsDomParser(content);
    const QString problem = checkContent(content, check, &overLimit, build ? &builder : nullptr, &builtWhole);
    if (refused)
        *refused = overLimit;
    if (!problem.isEmpty()) {
        if (overLimit)
            qCWarning(lcCore).noquote() << problem;
        return refuse(document, error, problem);
    }
    // Only asked whether it would be read: the checking pass has answered.
    if (!document)
        return true;
    if (builtWhole) {
        *document = built;
        return true;
    }
    built.clear();
    QDomDocument parsed;
    QString message;
    int line = 0;
    int column = 0;
    if (!parsed.setContent(content, &message, &line, &column))
        return refuse(document, error, QStringLiteral("%1 at line %2, column %3").arg(message).arg(line).arg(column));
    *document = parsed;
    return true;
}

bool readXmlDocument(QIODevice* device, QDomDocument* document, QString* error)
{
    if (!device || !device->isReadable())
        return refuse(document, error, QStringLiteral("not readable"));
    return readXmlDocument(device->readAll(), document, error);
}
