#pragma once

#include "reportbandobject.h"
#include "reportengine.h"
#include "reportfieldobject.h"
#include "reportpageobject.h"

#include <QByteArray>
#include <QDomDocument>
#include <QTemporaryDir>

// One fuzz input: template bytes read into pages, bands and fields, every
// field text evaluated (collecting, and in expression mode its printing
// condition) and turned into its HTML form, then the report printed to a PDF
// and an HTML file. Shared by the libFuzzer target and the corpus replay
// test. Returns false for an inconsistent record tree.
namespace ReportTemplateFuzz {

inline bool run(const QByteArray& bytes)
{
    ReportEngine engine;
    engine.recordsCount << 2;
    QObject::connect(&engine, &ReportEngine::setValue,
                     [](int recNo, QString name, QVariant& value, int) { value = name + QString::number(recNo); });
    QDomDocument doc;
    if (!ReportEngine::parseTemplate(bytes, doc))
        return true;
    engine.loadReportDocument(doc);
    for (ReportPageObject* page : engine.pageList) {
        for (ReportBandObject* band : page->bandList) {
            if (band->parentPage != page)
                return false;
            for (ReportFieldObject* field : band->fieldList) {
                if (field->parentBand != band)
                    return false;
                engine.processValue(band, field->value, false, true, field->format);
                engine.processValue(band, field->printing, true, false, QString());
                field->updateHighlightingParam();
                field->getHTMLStyle();
            }
        }
    }
    static QTemporaryDir out;
    engine.printPDF(out.filePath(QStringLiteral("fuzz.pdf")), false);
    engine.printHTML(out.filePath(QStringLiteral("fuzz.html")), false);
    return true;
}

} // namespace ReportTemplateFuzz
