#include "reportengine.h"
#include "reportlogging.h"

#include "graphparam.h"
#include "reportbandobject.h"
#include "reportfieldobject.h"
#include "reportpageobject.h"
#include "timedscript.h"

#include "xmldocumentreader.h"

#include <QDebug>
#include <QFile>
#include <QPainter>
#include <QScriptEngine>

namespace {

const QString kTypeAttribute = QStringLiteral("type");

const char* const kBandTypeNames[] = {"",           "ReportTitle",  "PageHeader",      "DataGroupHeader", "MasterHeader",
                                      "MasterData", "MasterFooter", "DataGroupFooter", "ReportSummary",   "PageFooter"};

const char* const kFieldTypeNames[] = {"label",  "labelImage", "textRich",          "image",  "diagram",
                                       "reactangle", "roundedReactangle", "circle", "triangle", "rhombus",
                                       "line",   "barcode",    "DatabaseImage",     "crossTab", "QtChart"};

bool isNote(const QDomNode& node)
{
    return node.isComment() || node.isProcessingInstruction();
}

} // namespace

ReportEngine::ReportEngine(QObject* parent)
    : QObject(parent)
    , xmlDoc(QStringLiteral("Reports"))
{
    registerGraphParamTypes();
}

ReportEngine::~ReportEngine()
{
    clearPages();
    // The painter goes before the printer it may still be bound to.
    m_ownedPainter.reset();
    m_ownedPrinter.reset();
}

bool ReportEngine::parseTemplate(const QByteArray& bytes, QDomDocument& doc)
{
    // Refuses documents nested deeper than any template, before the DOM
    // parser could recurse itself out of stack.
    QString error;
    if (readXmlDocument(bytes, &doc, &error))
        return true;
    qCWarning(lcReport) << "Report file not found";
    qCWarning(lcReport).noquote() << "Report template:" << error;
    return false;
}

void ReportEngine::clearCollected()
{
    groupEntries.clear();
    groupRecords.clear();
    m_aggregates.reset();
    m_timedOut.clear();
}

CollectedValue ReportEngine::CollectedEntries::collectedAt(int index) const
{
    const GroupEntry& entry = m_engine.groupEntries.at(index);
    return CollectedValue{entry.name, entry.value, entry.recNo};
}

bool ReportEngine::loadReport(QString fileName)
{
    clearCollected();
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QDomDocument doc(QStringLiteral("Reports"));
    const QByteArray bytes = file.readAll();
    file.close();
    if (!parseTemplate(bytes, doc))
        return false;
    xmlDoc = doc;
    buildPages();
    return true;
}

bool ReportEngine::loadReportDocument(QDomDocument doc)
{
    xmlDoc = doc;
    clearCollected();
    buildPages();
    return true;
}

// Report page i is the i-th page element of the root; comments between them
// are notes, not pages (a page made of one would have no size).
void ReportEngine::buildPages()
{
    clearPages();
    for (QDomNode node = xmlDoc.documentElement().firstChild(); !node.isNull(); node = node.nextSibling()) {
        if (isNote(node))
            continue;
        auto* page = new ReportPageObject(nullptr);
        page->loadXml(this, node.toElement());
        pageList.append(page);
    }
}

// The element report page i was read from; null for pages built in code.
QDomElement ReportEngine::pageElement(int reportPage) const
{
    int index = 0;
    for (QDomNode node = xmlDoc.documentElement().firstChild(); !node.isNull(); node = node.nextSibling()) {
        if (isNote(node))
            continue;
        if (index++ == reportPage)
            return node.toElement();
    }
    return QDomElement();
}

void ReportEngine::clearPages()
{
    qDeleteAll(pageList);
    pageList.clear();
}

int ReportEngine::getFieldType(const QDomElement& element)
{
    const QString type = element.attribute(kTypeAttribute, QStringLiteral("label"));
    static const QList<QPair<QString, int>> beforePicture = {
        {QStringLiteral("barcode"), barcode},     {QStringLiteral("reactangle"), reactangle},
        {QStringLiteral("roundedReactangle"), roundedReactangle}, {QStringLiteral("circle"), circle},
        {QStringLiteral("triangle"), triangle},   {QStringLiteral("rhombus"), rhombus},
        {QStringLiteral("textRich"), textRich},   {QStringLiteral("label"), label},
        {QStringLiteral("labelImage"), labelImage}, {QStringLiteral("image"), image}};
    for (const auto& entry : beforePicture) {
        if (type == entry.first)
            return entry.second;
    }
    // A picture makes an image of every later type text.
    if (element.attribute(QStringLiteral("picture"), QStringLiteral("text")) != QLatin1String("text"))
        return image;
    static const QList<QPair<QString, int>> afterPicture = {{QStringLiteral("diagram"), diagram},
                                                            {QStringLiteral("line"), line},
                                                            {QStringLiteral("DatabaseImage"), DatabaseImage},
                                                            {QStringLiteral("crossTab"), crossTab},
                                                            {QStringLiteral("QtChart"), QtChart}};
    for (const auto& entry : afterPicture) {
        if (type == entry.first)
            return entry.second;
    }
    return label;
}

QString ReportEngine::getFieldTypeName(int type)
{
    if (type < 1 || type > QtChart)
        return QStringLiteral("label");
    return QLatin1String(kFieldTypeNames[type]);
}

int ReportEngine::getAlignment(const QDomElement& element)
{
    const QString h = element.attribute(QStringLiteral("aligmentH"));
    const QString v = element.attribute(QStringLiteral("aligmentV"));
    int flags = 0;
    if (h == QLatin1String("hLeft"))
        flags = Qt::AlignLeft;
    else if (h == QLatin1String("hRight"))
        flags = Qt::AlignRight;
    else if (h == QLatin1String("hCenter"))
        flags = Qt::AlignHCenter;
    else if (h == QLatin1String("hJustify"))
        flags = Qt::AlignJustify;
    if (v == QLatin1String("vTop"))
        flags |= Qt::AlignTop;
    else if (v == QLatin1String("vBottom"))
        flags |= Qt::AlignBottom;
    else if (v == QLatin1String("vCenter"))
        flags |= Qt::AlignVCenter;
    return flags;
}

Qt::PenStyle ReportEngine::getPenStyle(const QString& style)
{
    if (style == QLatin1String("dashed"))
        return Qt::DashLine;
    if (style == QLatin1String("dotted"))
        return Qt::DotLine;
    if (style == QLatin1String("dot-dash"))
        return Qt::DashDotLine;
    if (style == QLatin1String("dot-dot-dash"))
        return Qt::DashDotDotLine;
    return Qt::SolidLine;
}

int ReportEngine::bandTypeOf(const QString& name)
{
    for (int type = ReportTitle; type <= PageFooter; ++type) {
        if (name == QLatin1String(kBandTypeNames[type]))
            return type;
    }
    return 0;
}

QString ReportEngine::bandTypeName(int type)
{
    if (type < ReportTitle || type > PageFooter)
        return QString();
    return QLatin1String(kBandTypeNames[type]);
}

QDomNode ReportEngine::getBandElement(int type, const QDomNode& page)
{
    const QString name = bandTypeName(type);
    for (QDomElement band = page.firstChildElement(QStringLiteral("ReportBand")); !band.isNull();
         band = band.nextSiblingElement(QStringLiteral("ReportBand"))) {
        if (band.attribute(kTypeAttribute) == name)
            return band;
    }
    return QDomNode();
}

QSet<int> ReportEngine::shapeFieldTypes()
{
    return {reactangle, roundedReactangle, circle, triangle, rhombus};
}

bool ReportEngine::isPageInRange(bool draw, int page) const
{
    return draw && fromPage <= page && (toPage == 0 || page <= toPage);
}

QImage ReportEngine::getImageFromSource(QString text)
{
    text.remove(QLatin1Char('[')).remove(QLatin1Char(']'));
    QImage image;
    emit setValueImage(recNo, text, image, reportPageNo);
    return image;
}

bool ReportEngine::setPrinter(QPrinter* p)
{
    if (printer)
        return false;
    printer = p;
    return true;
}

bool ReportEngine::setPainter(QPainter* p)
{
    if (painter)
        return false;
    painter = p;
    return true;
}
