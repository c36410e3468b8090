#include "xmldocumentreader.h"
#include "corelogging.h"

#include <QDebug>
#include <QDomDocument>
#include <QIODevice>
#include <QVector>
#include <QXmlStreamReader>

namespace {

// The checking pass: why the content may not be parsed into a DOM, empty
// when it may. `refused` tells a broken limit from content that is not
// well-formed; the streaming reader is the stricter of the two parsers, so
// nothing it did not see whole reaches the DOM parser.
QString checkContent(const QByteArray& content, const XmlElementCheck& check, bool* refused)
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
    }
    *refused = false;
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
    const QString problem = checkContent(content, check, &overLimit);
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
