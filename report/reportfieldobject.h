#pragma once

#include "graphparam.h"

#include <QColor>
#include <QDomElement>
#include <QFont>
#include <QRect>
#include <QString>
#include <QVariant>

class ReportBandObject;
class ReportCrossTabObject;
class ReportEngine;

enum FieldType {
    label = 0,
    labelImage = 1,
    textRich = 2,
    image = 3,
    diagram = 4,
    reactangle = 5,
    roundedReactangle = 6,
    circle = 7,
    triangle = 8,
    rhombus = 9,
    line = 10,
    barcode = 11,
    DatabaseImage = 12,
    crossTab = 13,
    QtChart = 14,
};

// One field of a band: a text, picture, shape, line, chart or cross table in
// a rectangle of the band (report units, a quarter millimetre). The program
// receives it by reference before it is painted and may change any member.
class ReportFieldObject
{
public:
    // What the highlighting of a field asks for, in the order it is applied.
    enum HighlightProperty { Bold = 0, Italic = 1, Underline = 2, Strikeout = 3, FontColor = 4, BackgroundColor = 5 };

    ReportFieldObject();
    ~ReportFieldObject();

    ReportFieldObject(const ReportFieldObject&) = delete;
    ReportFieldObject& operator=(const ReportFieldObject&) = delete;

    // Reads the field from a template element; `parentBand` must be set.
    void loadXml(ReportEngine* engine, const QDomElement& e);
    ReportFieldObject* clone() const;

    void setDefaultBackgroundColor(const QColor& c);
    void setDefaultFontColor(const QColor& c);

    // Re-evaluates the graphs of an auto-filled diagram for the current record.
    void updateDiagramValue();
    // Font flags and current colours for the record about to be painted.
    void updateHighlightingParam();
    // The answer of a field without highlighting rules: its own font flags
    // and its template colours (empty text for a colour the template left out).
    QVariant ownHighlighting(int property) const;

    QString getHTMLStyle();
    // The style of the field's box holding a text, whatever its type.
    QString getHTMLTextStyle() const;
    void setPageTop(int top) { pageTop = top; }
    bool isCrossTabCell() const { return parentCrossTab != nullptr; }

    QString name;
    QString value;
    QRect rect;
    QColor borderTop = Qt::black;
    QColor borderBottom = Qt::black;
    QColor borderLeft = Qt::black;
    QColor borderRight = Qt::black;
    QColor borderColor = Qt::black;
    QColor fontColor = Qt::black;
    QColor backgroundColor = Qt::white;
    int borderWidth = 1;
    bool autoHeight = false;
    bool textWrap = true;
    // Quarter turns clockwise, 0 to 3.
    int rotate = 0;
    int alignment = Qt::AlignLeft | Qt::AlignVCenter;
    QString borderStyle;
    QFont font;
    int fieldType = label;
    QString format;
    QString highlighting;
    QString imgFormat;
    QString printing = QStringLiteral("1");
    int barcodeType = 0;
    int barcodeFrameType = 0;
    int barcodeHeight = 0;
    // 1: a picture is stretched to the field; any other value keeps its proportions.
    int ignoreAspectRatio = 0;
    QByteArray picture;
    ReportBandObject* parentBand = nullptr;
    ReportCrossTabObject* parentCrossTab = nullptr;
    int lineStartX = 0;
    int lineEndX = 0;
    int lineStartY = 0;
    int lineEndY = 0;
    bool arrowStart = false;
    bool arrowEnd = false;
    bool showGrid = false;
    bool showLegend = false;
    bool showCaption = false;
    bool showGraphCaption = false;
    bool showPercent = false;
    bool autoFillData = false;
    QString caption;
    GraphParamList graphList;
    ReportCrossTabObject* crossTab = nullptr;
    QColor defaultFontColor = Qt::black;
    QColor defaultBackgroundColor = Qt::white;
    int recNo = 0;
    int reportPage = 0;
    int pageTop = 0;
    ReportEngine* engine = nullptr;

    // The size every font gets when its template or builder names none.
    static constexpr int DefaultPointSize = 12;
    // The HTML gives a text this many pixels more than its size in points.
    static constexpr int HtmlFontSizeExtra = 5;
    // A template's font size and border width (pixels, five printer dots
    // each) count as these where larger: taller than a page, and a frame a
    // hand wide on paper. A font size below -1 (Qt's size of none) counts
    // as -1, a border width below 0 as 0.
    static constexpr int MaxPointSize = 1000;
    static constexpr int MaxBorderWidth = 1000;

private:
    void readGraphs(const QDomElement& e);
    QString htmlAlignment() const;
    QString labelStyle(const QString& align) const;
    QString imageDiv(const QString& align) const;
};
