#include "chart.h"

#include "colortext.h"
#include "propertystream.h"

#include <QDataStream>
#include <QDomElement>
#include <QPainter>
#include <QStyleOption>

#include <cmath>

namespace {

// Truncates toward zero like a C cast, but a value that is no number or out
// of the int range (a chart squeezed to nothing, a runaway share) gives a
// harmless coordinate instead of undefined behaviour.
int truncated(double v)
{
    if (!std::isfinite(v))
        return 0;
    constexpr double limit = 1 << 30;
    return static_cast<int>(qBound(-limit, v, limit));
}

const char* const GraphListProperty = "listOfGraph";

} // namespace

Chart::Chart(QWidget* parent)
    : QWidget(parent)
{
    struct Demo { const char* caption; const char* color; float value; float reference; };
    static const Demo demos[] = {
        {"Graph 1", "rgba(255,255,0,255)", 150, 0},
        {"Graph 2", "rgba(0,0,255,255)", 70, 0},
        {"Graph 3", "rgba(255,0,0,255)", 220, 0},
        {"Graph 4", "rgba(0,128,128,255)", 30, 150},
    };
    for (const Demo& demo : demos) {
        GraphParam graph;
        graph.caption = QString::fromLatin1(demo.caption);
        graph.color = textToColor(QString::fromLatin1(demo.color));
        graph.value = demo.value;
        addGraph(graph, demo.reference);
    }
    m_caption = QStringLiteral("Example 1");
    m_drawGrid = m_drawHistory = m_drawCaption = m_drawGraphCaption = m_showPercent = true;
    m_autoFillData = false;
    m_rightSpaceWidth = LegendSpaceWidth;
    m_bottomSpaceHeight = BottomSpaceHeight;
    registerGraphParamTypes();
}

Chart::~Chart() = default;

void Chart::setParams(bool drawGrid, bool drawHistory, bool drawCaption, bool drawGraphCaption,
                      bool showPercent, const QString& caption, bool autoFillData)
{
    m_drawGrid = drawGrid;
    m_drawHistory = drawHistory;
    m_drawCaption = drawCaption;
    m_drawGraphCaption = drawGraphCaption;
    m_showPercent = showPercent;
    m_caption = caption;
    m_autoFillData = autoFillData;
    m_bottomSpaceHeight = BottomSpaceHeight;
    m_rightSpaceWidth = drawHistory ? LegendSpaceWidth : NoLegendSpaceWidth;
}

void Chart::setKoef(float koefRes_w, float koefRes_h, float left, float top)
{
    m_koefRes_w = koefRes_w;
    m_koefRes_h = koefRes_h;
    m_left = left;
    m_top = top;
}

void Chart::clearData()
{
    listOfGraph.clear();
}

void Chart::addGraph(GraphParam graph, float referenceValue)
{
    listOfGraph.append(graph);
    float largest = 0;
    for (const GraphParam& g : qAsConst(listOfGraph))
        largest = qMax(largest, g.value);
    // With nothing above zero there is no scale: no bar rises, and the grid
    // keeps the plain plot height instead of dividing by zero.
    if (!(largest > 0)) {
        for (GraphParam& g : listOfGraph)
            g.share = 0;
        m_correctValue = 1.0f;
        return;
    }
    const float divisor = referenceValue == 0 ? largest : referenceValue;
    for (GraphParam& g : listOfGraph)
        g.share = g.value / divisor;
    m_correctValue = referenceValue == 0 ? 1.0f : referenceValue / largest;
}

Chart::Layout Chart::layout() const
{
    Layout l;
    l.right = truncated(m_rightSpaceWidth * m_koefRes_w);
    l.bottom = truncated(m_bottomSpaceHeight * m_koefRes_h);
    l.top = truncated(50 * m_koefRes_h);
    l.left = truncated(20 * m_koefRes_w);
    l.plotHeight = height() - l.top - l.bottom;
    l.gridHeight = truncated(l.plotHeight * double(m_correctValue));
    if (!listOfGraph.isEmpty())
        l.columnWidth = (width() - l.right - l.left) / listOfGraph.size();
    return l;
}

void Chart::paintChart(QPainter* painter)
{
    if (!painter || !painter->isActive() || width() <= 0 || height() <= 0)
        return;
    const Layout l = layout();
    if (m_drawCaption) {
        const int lineHeight = QFontMetrics(font()).height();
        QFont titleFont = font();
        titleFont.setWeight(QFont::Bold);
        painter->setFont(titleFont);
        painter->drawText(QRectF(m_left, m_top + truncated(lineHeight * m_koefRes_h), width(), l.top),
                          Qt::AlignHCenter | Qt::AlignTop, m_caption);
        titleFont.setWeight(QFont::Normal);
        painter->setFont(titleFont);
    }
    // A chart lower than its own margins has no plot to draw bars or a grid
    // in; they would hang below the axis, outside the chart.
    if (l.plotHeight > 0) {
        paintBars(painter, l);
        if (m_drawGraphCaption)
            paintLabels(painter, l);
    }
    paintAxes(painter, l);
    if (m_drawGrid && l.plotHeight > 0)
        paintGrid(painter, l);
}

void Chart::paintBars(QPainter* painter, const Layout& l)
{
    const double kw = m_koefRes_w, kh = m_koefRes_h;
    const int baseRow = truncated(height() - 1 - l.bottom + m_top);
    for (int i = 0; i < listOfGraph.size(); ++i) {
        const GraphParam& graph = listOfGraph.at(i);
        const int x = truncated(l.left + 1 + i * l.columnWidth + m_left);
        const int rise = truncated(l.gridHeight * double(graph.share));
        // A bar rises from the axis row; a negative share hangs below it.
        if (l.columnWidth > 0 && rise != 0)
            painter->fillRect(QRectF(x, baseRow, l.columnWidth, -rise).normalized(), graph.color);
        if (!m_drawHistory)
            continue;
        const double legendLeft = width() + m_left - l.right;
        const double row = 120 + 20 * i;
        painter->drawText(QRectF(legendLeft + 20 * kw, row * kh + m_top, l.right, 20 * kh), Qt::AlignLeft,
                          QStringLiteral("         ") + graph.caption);
        painter->fillRect(QRectF(legendLeft + 25 * kw, (row + 3) * kh + m_top, 10 * kw, 10 * kh), graph.color);
    }
}

void Chart::paintLabels(QPainter* painter, const Layout& l)
{
    const double kw = m_koefRes_w, kh = m_koefRes_h;
    for (int i = 0; i < listOfGraph.size(); ++i) {
        const GraphParam& graph = listOfGraph.at(i);
        const QString text = m_showPercent
                                 ? QString::number(graph.share * 100.0, 'f', 1) + QLatin1Char('%')
                                 : QString::number(graph.value, 'g', 6);
        const QRectF box(i * l.columnWidth + m_left + 1 + l.left,
                         height() + m_top - l.gridHeight * double(graph.share) - 20 * kh - l.bottom,
                         l.columnWidth + 5 * kw, 20 * kh);
        painter->drawText(box, Qt::AlignHCenter | Qt::AlignVCenter, text);
    }
}

void Chart::paintAxes(QPainter* painter, const Layout& l)
{
    const double kw = m_koefRes_w, kh = m_koefRes_h;
    const int axisX = truncated(m_left + l.left);
    const int axisRow = truncated(height() + m_top - 1 - l.bottom);
    painter->drawLine(axisX, axisRow, truncated(width() + m_left - l.right + 20 * kw), axisRow);
    painter->drawText(QPoint(truncated(width() + m_left - l.right + 30 * kw), truncated(height() + m_top - 1 - l.bottom + 5 * kh)),
                      QStringLiteral("X"));
    painter->drawLine(axisX, axisRow, axisX, truncated(l.top + m_top - 10 * kh));
    painter->drawText(QPoint(truncated(m_left + l.left - 2 * kw), truncated(l.top + m_top - 15 * kh)),
                      QStringLiteral("Y"));
}

void Chart::paintGrid(QPainter* painter, const Layout& l)
{
    const int step = l.gridHeight / 4;
    for (int k = 4; k >= 1; --k) {
        const int y = truncated(height() + m_top - 2 * m_koefRes_h - l.bottom - k * step);
        painter->drawLine(truncated(m_left + l.left - 5), y, truncated(width() + m_left - l.right + 5), y);
    }
}

void Chart::paintEvent(QPaintEvent*)
{
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
    paintChart(&painter);
}

QVariant Chart::getParam(ChartParam code) const
{
    switch (code) {
    case DrawGrid: return m_drawGrid;
    case DrawCaption: return m_drawCaption;
    case DrawHistory: return m_drawHistory;
    case DrawGraphCaption: return m_drawGraphCaption;
    case ShowPercent: return m_showPercent;
    case Caption: return m_caption;
    case AutoFillData: return m_autoFillData;
    }
    return QVariant();
}

void Chart::setData(const QDomElement& element)
{
    if (element.hasChildNodes())
        listOfGraph.clear();
    for (QDomElement child = element.firstChildElement(); !child.isNull(); child = child.nextSiblingElement()) {
        GraphParam graph;
        graph.color = textToColor(child.attribute(QStringLiteral("color")));
        graph.valueText = child.attribute(QStringLiteral("value"));
        graph.value = graph.valueText.toFloat(); // 0 when it is no number
        graph.caption = child.attribute(QStringLiteral("caption"));
        addGraph(graph, 0);
    }
}

void Chart::storeProperties()
{
    setProperty("m_caption", m_caption);
    setProperty("m_drawGrid", m_drawGrid);
    setProperty("m_drawHistory", m_drawHistory);
    setProperty("m_drawCaption", m_drawCaption);
    setProperty("m_drawGraphCaption", m_drawGraphCaption);
    setProperty("m_showPercent", m_showPercent);
    setProperty("m_autoFillData", m_autoFillData);
    setProperty("m_rightSpaceWidth", m_rightSpaceWidth);
    setProperty("m_bottomSpaceHeight", m_bottomSpaceHeight);
    setProperty("m_captionHeight", m_captionHeight);
    setProperty("m_correctValue", m_correctValue);
    setProperty("m_koefRes_h", m_koefRes_h);
    setProperty("m_koefRes_w", m_koefRes_w);
    setProperty("m_left", m_left);
    setProperty("m_top", m_top);
    setProperty(GraphListProperty, QVariant::fromValue(listOfGraph));
}

void Chart::restoreProperties()
{
    m_caption = property("m_caption").toString();
    m_drawGrid = property("m_drawGrid").toBool();
    m_drawHistory = property("m_drawHistory").toBool();
    m_drawCaption = property("m_drawCaption").toBool();
    m_drawGraphCaption = property("m_drawGraphCaption").toBool();
    m_showPercent = property("m_showPercent").toBool();
    m_autoFillData = property("m_autoFillData").toBool();
    m_rightSpaceWidth = property("m_rightSpaceWidth").toInt();
    m_bottomSpaceHeight = property("m_bottomSpaceHeight").toInt();
    m_captionHeight = property("m_captionHeight").toInt();
    m_correctValue = property("m_correctValue").toFloat();
    m_koefRes_h = property("m_koefRes_h").toFloat();
    m_koefRes_w = property("m_koefRes_w").toFloat();
    m_left = property("m_left").toFloat();
    m_top = property("m_top").toFloat();
    const QVariant graphs = property(GraphListProperty);
    listOfGraph = graphs.canConvert<GraphParamList>() ? graphs.value<GraphParamList>() : GraphParamList();
}

void paintDiagramField(QPainter* painter, const QString& name, const DiagramOptions& options,
                       const QFont& font, float koefResH, float koefResV, const QRect& box,
                       const GraphParamList& graphs, const std::function<void(Chart&)>& fill)
{
    Chart chart;
    chart.setObjectName(name);
    chart.setFont(font);
    chart.setParams(options.showGrid, options.showLegend, options.showCaption, options.showGraphCaption,
                    options.showPercent, options.caption, options.autoFillData);
    chart.clearData();
    chart.setKoef(koefResH, koefResV, box.left(), box.top());
    chart.resize(box.size());
    if (options.autoFillData) {
        for (const GraphParam& graph : graphs)
            chart.addGraph(graph, 0);
    } else if (fill) {
        fill(chart);
    }
    chart.paintChart(painter);
}

QDataStream& operator<<(QDataStream& out, const Chart& chart)
{
    writeObjectProperties(out, chart);
    return out;
}

QDataStream& operator>>(QDataStream& in, Chart& chart)
{
    readObjectProperties(in, chart, [&chart] { chart.storeProperties(); });
    chart.restoreProperties();
    return in;
}
