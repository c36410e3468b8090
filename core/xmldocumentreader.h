#pragma once

#include <QByteArray>
#include <QString>

class QDomDocument;
class QIODevice;

// Parses an XML file (project file, report template, default parameters)
// into a DOM document. The DOM parser recurses once per level of nesting,
// so a document nested tens of thousands of levels deep would overflow the
// stack: a streaming pass measures the depth first and refuses such a
// document with a diagnostic line, before the DOM parser sees it.

// Deeper than any file the program writes by far.
constexpr int MaxXmlDepth = 256;

// True with `document` filled when the content parses and is at most
// MaxXmlDepth elements deep; otherwise false with the reason (and line) in
// `error`, and `document` left empty. `error` may be null.
bool readXmlDocument(const QByteArray& content, QDomDocument* document, QString* error = nullptr);
// Reads the rest of `device` and parses it as above.
bool readXmlDocument(QIODevice* device, QDomDocument* document, QString* error = nullptr);
