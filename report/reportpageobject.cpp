#include "reportpageobject.h"

#include "colortext.h"
#include "reportbandobject.h"
#include "reportfieldobject.h"
#include "templatebounds.h"

ReportPageObject::ReportPageObject(ReportEngine* engine)
    : engine(engine)
{
}

ReportPageObject::~ReportPageObject()
{
    qDeleteAll(bandList);
    bandList.clear();
}

void ReportPageObject::loadXml(ReportEngine* engine, const QDomElement& e)
{
    const auto number = [&e](const char* name) { return e.attribute(QLatin1String(name)).toInt(); };
    pageHeight = number("pageHeight");
    pageWidth = number("pageWidth");
    marginsLeft = number("marginsLeft");
    marginsRight = number("marginsRight");
    marginsTop = number("marginsTop");
    marginsBottom = number("marginsBottom");
    refuseSizePastPaper();
    orientation = number("orientation");
    TemplateBounds::clamp(QStringLiteral("page"), {{"orientation", orientation}}, 0, 1);
    pageNo = number("pageNo");
    border = number("border") != 0;
    borderWidth = number("borderWidth");
    TemplateBounds::clamp(QStringLiteral("page"), {{"borderWidth", borderWidth}}, 0, ReportFieldObject::MaxBorderWidth);
    borderColor = textToColor(e.attribute(QStringLiteral("borderColor")));
    borderStyle = e.attribute(QStringLiteral("borderStyle"));

    for (QDomElement child = e.firstChildElement(QStringLiteral("ReportBand")); !child.isNull();
         child = child.nextSiblingElement(QStringLiteral("ReportBand"))) {
        auto* band = new ReportBandObject;
        band->parentPage = this;
        band->loadXml(engine, child);
        bandList.append(band);
    }
}

void ReportPageObject::refuseSizePastPaper()
{
    if (!TemplateBounds::outside(QStringLiteral("page"),
                                 {{"pageHeight", pageHeight}, {"pageWidth", pageWidth}, {"marginsLeft", marginsLeft},
                                  {"marginsRight", marginsRight}, {"marginsTop", marginsTop}, {"marginsBottom", marginsBottom}},
                                 0, MaxSize, "the page's size is refused"))
        return;
    pageHeight = pageWidth = marginsLeft = marginsRight = marginsTop = marginsBottom = 0;
}

void ReportPageObject::addBand(ReportBandObject* band)
{
    band->parentPage = this;
    band->engine = engine;
    bandList.append(band);
}

ReportBandObject* ReportPageObject::getBand(int type) const
{
    for (ReportBandObject* band : bandList) {
        if (band->type == type)
            return band;
    }
    return nullptr;
}

ReportFieldObject* ReportPageObject::findFieldByName(const QString& name) const
{
    for (const ReportBandObject* band : bandList) {
        for (ReportFieldObject* field : band->fieldList) {
            if (field->name == name)
                return field;
        }
    }
    return nullptr;
}

ReportPageObject* ReportPageObject::clone() const
{
    auto* copy = new ReportPageObject(engine);
    copy->pageNo = pageNo;
    copy->orientation = orientation;
    copy->pageHeight = pageHeight;
    copy->pageWidth = pageWidth;
    copy->marginsLeft = marginsLeft;
    copy->marginsRight = marginsRight;
    copy->marginsTop = marginsTop;
    copy->marginsBottom = marginsBottom;
    copy->border = border;
    copy->borderWidth = borderWidth;
    copy->borderColor = borderColor;
    copy->borderStyle = borderStyle;
    for (const ReportBandObject* band : bandList) {
        ReportBandObject* bandCopy = band->clone();
        bandCopy->parentPage = copy;
        bandCopy->engine = copy->engine;
        copy->bandList.append(bandCopy);
    }
    return copy;
}

QDebug operator<<(QDebug debug, const ReportPageObject& page)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "Report #" << page.pageNo << " (";
    for (int i = 0; i < page.bandList.size(); ++i)
        debug << (i ? ", " : "") << static_cast<const void*>(page.bandList.at(i));
    debug << ')';
    return debug;
}
