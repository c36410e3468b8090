#include "reportfieldobject.h"

#include "colortext.h"
#include "fieldhighlighting.h"
#include "reportbandobject.h"
#include "reportcrosstabobject.h"
#include "reportengine.h"
#include "reportpageobject.h"
#include "templatebounds.h"

#include <QScopedValueRollback>

#include <cmath>

namespace {

int intAttribute(const QDomElement& e, const QString& name, const QString& missing = QString())
{
    return e.attribute(name, missing).toInt();
}

bool boolAttribute(const QDomElement& e, const QString& name, const QString& missing = QString())
{
    return intAttribute(e, name, missing) != 0;
}

QColor colorAttribute(const QDomElement& e, const QString& name)
{
    return textToColor(e.attribute(name));
}

// A font of explicit point size: a size left unset would be resolved against
// the application font (pixel size 11) and print microscopically.
QFont fieldFont(const QString& family, int pointSize)
{
    // No family: the application's own, not whatever an empty name matches.
    QFont font;
    if (!family.isEmpty())
        font.setFamily(family);
    font.setPointSize(pointSize > 0 ? pointSize : ReportFieldObject::DefaultPointSize);
    return font;
}

// A colour with its transparency: "#rrggbb" drops the alpha, which would
// make a transparent colour black.
QString colorName(const QColor& color)
{
    if (color.alpha() == 255)
        return color.name();
    return QStringLiteral("rgba(%1,%2,%3,%4)")
        .arg(color.red())
        .arg(color.green())
        .arg(color.blue())
        .arg(QString::number(color.alphaF(), 'g', 3));
}

// What the PDF paints nothing for: no colour, or a transparent one.
bool isNone(const QColor& color)
{
    return !color.isValid() || color.alpha() == 0;
}

// A side the PDF leaves unpainted (no colour, transparent, or white) has no
// border in the HTML either: the name of an invalid colour would draw it black.
QString sideStyle(const QString& side, const QColor& color)
{
    const QString prefix = QStringLiteral("border-") + side + QLatin1Char(':');
    if (isNone(color) || color.rgba() == 0xffffffffu)
        return prefix + QStringLiteral(" none;");
    return prefix + QStringLiteral(" solid thin ") + colorName(color) + QLatin1Char(';');
}

} // namespace

ReportFieldObject::ReportFieldObject()
    : font(fieldFont(QString(), DefaultPointSize))
{
}

ReportFieldObject::~ReportFieldObject()
{
    // Owned whatever the type: the program may change the type in setField.
    delete crossTab;
}

void ReportFieldObject::loadXml(ReportEngine* engine, const QDomElement& e)
{
    this->engine = engine;
    highlighting = e.attribute(QStringLiteral("highlighting"), QString(""));
    printing = e.attribute(QStringLiteral("printing"), QStringLiteral("1"));
    name = e.attribute(QStringLiteral("name"));
    value = e.attribute(QStringLiteral("value"));
    const QString owner = QStringLiteral("field \"%1\"").arg(name);
    int left = intAttribute(e, QStringLiteral("left"));
    int top = intAttribute(e, QStringLiteral("top"));
    int width = intAttribute(e, QStringLiteral("width"));
    int height = intAttribute(e, QStringLiteral("height"));
    TemplateBounds::clamp(owner, {{"left", left}, {"top", top}, {"width", width}, {"height", height}},
                          -ReportPageObject::MaxSize, ReportPageObject::MaxSize);
    rect = QRect(left, top, width, height);
    borderTop = colorAttribute(e, QStringLiteral("borderTop"));
    borderBottom = colorAttribute(e, QStringLiteral("borderBottom"));
    borderLeft = colorAttribute(e, QStringLiteral("borderLeft"));
    borderRight = colorAttribute(e, QStringLiteral("borderRight"));
    borderWidth = e.attribute(QStringLiteral("borderWidth"), QStringLiteral("1")).remove(QStringLiteral("px")).toInt();
    TemplateBounds::clamp(owner, {{"borderWidth", borderWidth}}, 0, MaxBorderWidth);
    borderStyle = e.attribute(QStringLiteral("borderStyle"), QStringLiteral("solid"));
    borderColor = colorAttribute(e, QStringLiteral("borderColor"));
    rotate = intAttribute(e, QStringLiteral("rotate"), QStringLiteral("0"));
    TemplateBounds::clamp(owner, {{"rotate", rotate}}, 0, 3);
    alignment = ReportEngine::getAlignment(e);
    autoHeight = boolAttribute(e, QStringLiteral("autoHeight"), QStringLiteral("0"));

    int fontSize = intAttribute(e, QStringLiteral("fontSize"));
    TemplateBounds::clamp(owner, {{"fontSize", fontSize}}, -1, MaxPointSize);
    QFont f = fieldFont(e.attribute(QStringLiteral("fontFamily")), fontSize);
    f.setWeight(boolAttribute(e, QStringLiteral("fontBold")) ? QFont::Bold : QFont::Normal);
    f.setStyle(boolAttribute(e, QStringLiteral("fontItalic")) ? QFont::StyleItalic : QFont::StyleNormal);
    f.setUnderline(boolAttribute(e, QStringLiteral("fontUnderline")));
    f.setStrikeOut(boolAttribute(e, QStringLiteral("fontStrikeout")));
    font = f;

    backgroundColor = colorAttribute(e, QStringLiteral("backgroundColor"));
    defaultBackgroundColor = backgroundColor;
    fontColor = colorAttribute(e, QStringLiteral("fontColor"));
    defaultFontColor = fontColor;
    imgFormat = e.attribute(QStringLiteral("imgFormat"), QStringLiteral("PNG"));
    textWrap = boolAttribute(e, QStringLiteral("textWrap"), QStringLiteral("1"));
    fieldType = ReportEngine::getFieldType(e);
    format = e.attribute(QStringLiteral("format"), QString(""));
    barcodeType = intAttribute(e, QStringLiteral("barcodeType"), QStringLiteral("13"));
    barcodeFrameType = intAttribute(e, QStringLiteral("barcodeFrameType"), QStringLiteral("0"));
    barcodeHeight = intAttribute(e, QStringLiteral("barcodeHeight"), QStringLiteral("50"));
    picture = QByteArray::fromBase64(e.attribute(QStringLiteral("picture"), QStringLiteral("text")).toLatin1());
    ignoreAspectRatio = intAttribute(e, QStringLiteral("ignoreAspectRatio"), QStringLiteral("1"));
    showGrid = boolAttribute(e, QStringLiteral("showGrid"), QStringLiteral("1"));
    showLegend = boolAttribute(e, QStringLiteral("showLegend"), QStringLiteral("1"));
    showCaption = boolAttribute(e, QStringLiteral("showCaption"), QStringLiteral("1"));
    showGraphCaption = boolAttribute(e, QStringLiteral("showGraphCaption"), QStringLiteral("1"));
    showPercent = boolAttribute(e, QStringLiteral("showPercent"), QStringLiteral("1"));
    caption = e.attribute(QStringLiteral("caption"), QStringLiteral("Example"));
    autoFillData = boolAttribute(e, QStringLiteral("autoFillData"), QStringLiteral("0"));
    lineStartX = intAttribute(e, QStringLiteral("lineStartX"));
    lineEndX = intAttribute(e, QStringLiteral("lineEndX"));
    lineStartY = intAttribute(e, QStringLiteral("lineStartY"));
    lineEndY = intAttribute(e, QStringLiteral("lineEndY"));
    TemplateBounds::clamp(owner,
                          {{"lineStartX", lineStartX}, {"lineEndX", lineEndX}, {"lineStartY", lineStartY}, {"lineEndY", lineEndY}},
                          -ReportPageObject::MaxSize, ReportPageObject::MaxSize);
    arrowStart = boolAttribute(e, QStringLiteral("arrowStart"), QStringLiteral("0"));
    arrowEnd = boolAttribute(e, QStringLiteral("arrowEnd"), QStringLiteral("0"));

    if (fieldType == diagram && autoFillData)
        readGraphs(e);
    if (fieldType == ::crossTab) {
        delete crossTab;
        crossTab = new ReportCrossTabObject;
        crossTab->parentField = this;
        crossTab->setRect(rect);
        crossTab->loadXml(e);
    }
}

void ReportFieldObject::readGraphs(const QDomElement& e)
{
    for (QDomNode node = e.firstChild(); !node.isNull(); node = node.nextSibling()) {
        if (node.isComment() || node.isProcessingInstruction())
            continue;
        const QDomElement child = node.toElement();
        GraphParam graph;
        graph.color = textToColor(child.attribute(QStringLiteral("color")));
        graph.formula = child.attribute(QStringLiteral("value"));
        graph.caption = child.attribute(QStringLiteral("caption"));
        if (engine)
            graph.value = engine->processValue(parentBand, graph.formula, false, false, QString()).toFloat();
        graphList.append(graph);
    }
}

ReportFieldObject* ReportFieldObject::clone() const
{
    auto* copy = new ReportFieldObject;
    copy->name = name;
    copy->value = value;
    copy->rect = rect;
    copy->borderTop = borderTop;
    copy->borderBottom = borderBottom;
    copy->borderLeft = borderLeft;
    copy->borderRight = borderRight;
    copy->borderColor = borderColor;
    copy->fontColor = fontColor;
    copy->backgroundColor = backgroundColor;
    copy->autoHeight = autoHeight;
    copy->borderWidth = borderWidth;
    copy->textWrap = textWrap;
    copy->rotate = rotate;
    copy->alignment = alignment;
    copy->borderStyle = borderStyle;
    copy->font = font;
    copy->fieldType = fieldType;
    copy->format = format;
    copy->highlighting = highlighting;
    copy->imgFormat = imgFormat;
    copy->printing = printing;
    copy->barcodeType = barcodeType;
    copy->barcodeFrameType = barcodeFrameType;
    copy->barcodeHeight = barcodeHeight;
    copy->ignoreAspectRatio = ignoreAspectRatio;
    copy->picture = picture;
    copy->parentBand = parentBand;
    copy->lineStartX = lineStartX;
    copy->lineEndX = lineEndX;
    copy->lineStartY = lineStartY;
    copy->lineEndY = lineEndY;
    copy->arrowStart = arrowStart;
    copy->arrowEnd = arrowEnd;
    copy->defaultFontColor = defaultFontColor;
    copy->defaultBackgroundColor = defaultBackgroundColor;
    copy->recNo = recNo;
    copy->reportPage = reportPage;
    copy->pageTop = pageTop;
    copy->engine = engine;
    return copy;
}

void ReportFieldObject::setDefaultBackgroundColor(const QColor& c)
{
    backgroundColor = c;
    defaultBackgroundColor = c;
}

void ReportFieldObject::setDefaultFontColor(const QColor& c)
{
    fontColor = c;
    defaultFontColor = c;
}

void ReportFieldObject::updateDiagramValue()
{
    if (!autoFillData || !engine)
        return;
    for (GraphParam& graph : graphList)
        graph.value = engine->processValue(parentBand, graph.formula, false, false, QString()).toFloat();
}

QVariant ReportFieldObject::ownHighlighting(int property) const
{
    return FieldHighlighting::ownValue({QString(), font, defaultFontColor, defaultBackgroundColor}, property);
}

void ReportFieldObject::updateHighlightingParam()
{
    const auto ask = [this](int property) {
        if (highlighting.isEmpty() || !engine)
            return ownHighlighting(property);
        return engine->processHighlighting(this, property);
    };
    QFont f = font;
    f.setWeight(ask(Bold).toInt() != 0 ? QFont::Bold : QFont::Normal);
    f.setStyle(ask(Italic).toInt() != 0 ? QFont::StyleItalic : QFont::StyleNormal);
    f.setUnderline(ask(Underline).toInt() != 0);
    f.setStrikeOut(ask(Strikeout).toInt() != 0);
    font = f;
    backgroundColor = textToColor(ask(BackgroundColor).toString());
    fontColor = textToColor(ask(FontColor).toString());
}

QString ReportFieldObject::htmlAlignment() const
{
    QString align;
    if (alignment & Qt::AlignRight)
        align = QStringLiteral("right");
    if (alignment & Qt::AlignLeft)
        align = QStringLiteral("left");
    if (alignment & Qt::AlignHCenter)
        align = QStringLiteral("center");
    if (alignment & Qt::AlignJustify)
        align = QStringLiteral("justify");
    return align;
}

QString ReportFieldObject::getHTMLTextStyle() const
{
    return labelStyle(htmlAlignment());
}

QString ReportFieldObject::getHTMLStyle()
{
    const QString align = htmlAlignment();
    // Reaches down to its band's bottom in the HTML only: the layout reads
    // the field's own height.
    const QScopedValueRollback<QRect> designed(rect);
    if (autoHeight && parentBand)
        rect.setBottom(qMax(rect.top(), parentBand->currentHeight) - 1);
    switch (fieldType) {
    case label:
        return labelStyle(align);
    case labelImage:
    case image:
    case DatabaseImage:
        return imageDiv(align);
    default:
        return QString();
    }
}

QString ReportFieldObject::labelStyle(const QString& align) const
{
    QString style = QStringLiteral("style='color:") + colorName(fontColor) + QLatin1Char(';');
    // No colour is no background: the name of an invalid colour is black.
    if (!isNone(backgroundColor))
        style += QStringLiteral("background:") + colorName(backgroundColor) + QLatin1Char(';');
    style += sideStyle(QStringLiteral("left"), borderLeft);
    style += sideStyle(QStringLiteral("right"), borderRight);
    style += sideStyle(QStringLiteral("top"), borderTop);
    style += sideStyle(QStringLiteral("bottom"), borderBottom);
    style += QStringLiteral("text-align:") + align + QLatin1Char(';');
    style += QStringLiteral("font-size:%1px;").arg(font.pointSize() + HtmlFontSizeExtra);
    style += QStringLiteral("position: absolute; left: %1;").arg(rect.left());
    style += QStringLiteral("top: %1;").arg(pageTop);
    style += QStringLiteral("width: %1;").arg(rect.width());
    style += QStringLiteral("height: %1;").arg(rect.height());
    if (font.weight() > 57)
        style += QStringLiteral("font-weight: bold;");
    if (font.style() != QFont::StyleNormal)
        style += QStringLiteral("font-style: italic;");
    return style + QLatin1Char('\'');
}

QString ReportFieldObject::imageDiv(const QString& align) const
{
    const int w = rect.width();
    const int h = rect.height();
    int imgWidth = 0;
    int imgHeight = 0;
    if (h != 0) {
        const double ratio = double(w) / h;
        if (ratio == 0) {
            imgWidth = imgHeight = h;
        } else {
            imgWidth = int(std::nearbyint(h * ratio)) & ~2;
            imgHeight = h;
            if (imgWidth > w) {
                imgWidth = w;
                imgHeight = int(std::nearbyint(w / ratio)) & ~2;
            }
        }
    }
    QString div = QStringLiteral("<div style='position: absolute; left: %1;").arg(rect.left());
    div += QStringLiteral("top: %1;").arg(pageTop);
    div += QStringLiteral("width: %1;").arg(w);
    div += QStringLiteral("height: %1;").arg(h);
    div += QStringLiteral("text-align:") + align + QStringLiteral(";'>");
    div += QStringLiteral("<img width=%1 height=%2 ").arg(imgWidth).arg(imgHeight);
    div += QStringLiteral("src=\"data:image/png;base64,") + QString::fromLatin1(picture.toBase64())
           + QStringLiteral("\" /></div>\n");
    return div;
}
