#pragma once

#include <QByteArray>
#include <QString>
#include <QXmlStreamAttributes>

#include <functional>

class QDomDocument;
class QIODevice;

// Parses an XML file (project file, report template, default parameters)
// into a DOM document in one streaming pass, which checks every element as
// it meets it, before building it: the nesting depth always (the DOM's own
// parser recurses once per level and would overflow the stack), and
// whatever limits the caller adds through a check. A document that breaks a
// limit is refused after reading no further than the element that breaks
// it, so the DOM it leaves behind is never more than the caller's limits
// allow a document that passes. The streaming reader is the stricter
// parser: what it cannot read whole (a repeated attribute, bytes that are
// not in the declared encoding) is refused as not well-formed. The few
// documents whose DOM it would build otherwise than the DOM parser (see
// needsDomParser) are checked by it, then parsed by the DOM parser.

// Deeper than any file the program writes by far.
constexpr int MaxXmlDepth = 256;

// An element the checking pass has just met.
struct XmlElementStart
{
    QStringRef name;
    const QXmlStreamAttributes& attributes;
    // 1 for the document element.
    int depth = 0;
    // Its number among the child elements of its parent, from 1.
    int position = 0;
    // Elements met so far, this one included.
    qint64 elements = 0;
    qint64 line = 0;
};

// Empty when the element may be read; otherwise why the document is refused.
using XmlElementCheck = std::function<QString(const XmlElementStart& element)>;

// True with `document` filled when the content is well-formed, at most
// MaxXmlDepth elements deep and `check` (when given) passes every element;
// otherwise false with the reason (and line) in `error`, and `document` left
// empty. A refusal for depth or by the check is also written as a
// diagnostic line, and `refused` (when given) tells it from a document that
// is not well-formed. `error` may be null; with a null `document` only the
// checking pass runs, which is the stricter parser.
bool readXmlDocument(const QByteArray& content, QDomDocument* document, QString* error = nullptr,
                     const XmlElementCheck& check = {}, bool* refused = nullptr);
// Reads the rest of `device` and parses it as above.
bool readXmlDocument(QIODevice* device, QDomDocument* document, QString* error = nullptr);
