#include "reportbandobject.h"

#include "reportengine.h"
#include "reportfieldobject.h"
#include "templatebounds.h"

ReportBandObject::~ReportBandObject()
{
    qDeleteAll(fieldList);
    fieldList.clear();
}

void ReportBandObject::loadXml(ReportEngine* engine, const QDomElement& e)
{
    name = e.attribute(QStringLiteral("name"));
    height = e.attribute(QStringLiteral("height")).toInt();
    TemplateBounds::clamp(QStringLiteral("band \"%1\"").arg(e.attribute(QStringLiteral("type"))), {{"height", height}}, 0,
                          MaxHeight);
    currentHeight = height;
    width = e.attribute(QStringLiteral("width")).toInt();
    left = e.attribute(QStringLiteral("left")).toInt();
    right = e.attribute(QStringLiteral("right")).toInt();
    groupingField = e.attribute(QStringLiteral("groupingField"));
    showInGroup = e.attribute(QStringLiteral("showInGroup"), QStringLiteral("0")).toInt() != 0;
    startNewPage = e.attribute(QStringLiteral("startNewPage"), QStringLiteral("0")).toInt() != 0;
    const int typeFromText = ReportEngine::bandTypeOf(e.attribute(QStringLiteral("type")));
    if (typeFromText != 0)
        type = typeFromText;

    // Comments and processing instructions are notes in the template, not fields.
    for (QDomNode node = e.firstChild(); !node.isNull(); node = node.nextSibling()) {
        if (node.isComment() || node.isProcessingInstruction())
            continue;
        auto* field = new ReportFieldObject;
        field->parentBand = this;
        field->loadXml(engine, node.toElement());
        fieldList.append(field);
    }
}

void ReportBandObject::addField(ReportFieldObject* field)
{
    field->parentBand = this;
    field->engine = engine;
    fieldList.append(field);
}

ReportBandObject* ReportBandObject::clone() const
{
    auto* copy = new ReportBandObject;
    copy->name = QStringLiteral("ReportTitle");
    copy->height = height;
    copy->currentHeight = height;
    copy->type = type;
    copy->engine = engine;
    for (const ReportFieldObject* field : fieldList) {
        ReportFieldObject* fieldCopy = field->clone();
        fieldCopy->parentBand = copy;
        fieldCopy->engine = copy->engine;
        copy->fieldList.append(fieldCopy);
    }
    return copy;
}

QDebug operator<<(QDebug debug, const ReportBandObject& band)
{
    QStringList names;
    for (const ReportFieldObject* field : band.fieldList)
        names << field->name;
    QDebugStateSaver saver(debug);
    debug.nospace() << band.name << " (" << names.join(QStringLiteral(", ")) << ')';
    return debug;
}
