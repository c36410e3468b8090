#include "xmldocumentreader.h"
#include "corelogging.h"

#include <QDebug>
#include <QDomDocument>
#include <QIODevice>
#include <QXmlStreamReader>

namespace {

// The line at which the nesting first exceeds the limit; 0 when it never does.
qint64 lineTooDeep(const QByteArray& content)
{
    QXmlStreamReader reader(content);
    int depth = 0;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            if (++depth > MaxXmlDepth)
                return qMax<qint64>(1, reader.lineNumber());
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        default:
            break;
        }
    }
    // A malformed document is the DOM parser's to report, with its own words.
    return 0;
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

bool readXmlDocument(const QByteArray& content, QDomDocument* document, QString* error)
{
    if (const qint64 line = lineTooDeep(content)) {
        const QString reason = QStringLiteral("XML nested deeper than %1 levels at line %2, not read")
                                   .arg(MaxXmlDepth)
                                   .arg(line);
        qCWarning(lcCore).noquote() << reason;
        return refuse(document, error, reason);
    }
    QDomDocument parsed;
    QString message;
    int line = 0;
    int column = 0;
    if (!parsed.setContent(content, &message, &line, &column))
        return refuse(document, error, QStringLiteral("%1 at line %2, column %3").arg(message).arg(line).arg(column));
    if (document)
        *document = parsed;
    return true;
}

bool readXmlDocument(QIODevice* device, QDomDocument* document, QString* error)
{
    if (!device || !device->isReadable())
        return refuse(document, error, QStringLiteral("not readable"));
    return readXmlDocument(device->readAll(), document, error);
}
