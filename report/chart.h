#pragma once

#include "graphparam.h"

#include <QColor>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariant>
#include <QWidget>

#include <functional>

class QDataStream;
class QDomElement;
class QFont;
class QPainter;

enum ChartParam {
    DrawGrid = 0,
    DrawCaption = 1,
    DrawHistory = 2,
    DrawGraphCaption = 3,
    ShowPercent = 4,
    Caption = 5,
    AutoFillData = 6,
};

// A captioned bar chart: one coloured bar per graph, an optional legend,
// value or percent labels over the bars, the two axes and an optional grid.
// The report painter draws it straight onto its own painter at the field's
// place (setKoef gives the scale and the origin, resize the size); shown as
// a widget it paints itself.
class Chart : public QWidget
{
    Q_OBJECT
public:
    explicit Chart(QWidget* parent = nullptr);
    ~Chart() override;

    // Space kept free beside and under the plot, in template units.
    static constexpr int LegendSpaceWidth = 110;
    static constexpr int NoLegendSpaceWidth = 30;
    static constexpr int BottomSpaceHeight = 10;

    void setParams(bool drawGrid, bool drawHistory, bool drawCaption, bool drawGraphCaption,
                   bool showPercent, const QString& caption, bool autoFillData);
    void setKoef(float koefRes_w, float koefRes_h, float left, float top);
    void clearData();
    // `referenceValue` 0 stands for the largest value of all graphs.
    void addGraph(GraphParam graph, float referenceValue);
    void paintChart(QPainter* painter);

    QVariant getParam(ChartParam code) const;
    GraphParamList getGraphParamList() const { return listOfGraph; }
    void setData(const QDomElement& element);
    float correctValue() const { return m_correctValue; }
    int rightSpaceWidth() const { return m_rightSpaceWidth; }

    void storeProperties();
    void restoreProperties();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The spaces around the plot and its sizes for one painting, in device units.
    struct Layout
    {
        int right = 0;
        int bottom = 0;
        int top = 0;
        int left = 0;
        int plotHeight = 0;
        int gridHeight = 0; // the plot height corrected to the reference value
        int columnWidth = 0;
    };
    Layout layout() const;
    void paintBars(QPainter* painter, const Layout& l);
    void paintLabels(QPainter* painter, const Layout& l);
    void paintAxes(QPainter* painter, const Layout& l);
    void paintGrid(QPainter* painter, const Layout& l);

    GraphParamList listOfGraph;
    QString m_caption;
    bool m_drawGrid = false;
    bool m_drawHistory = true;
    bool m_drawCaption = true;
    bool m_drawGraphCaption = true;
    bool m_showPercent = false;
    bool m_autoFillData = false;
    int m_rightSpaceWidth = LegendSpaceWidth;
    int m_bottomSpaceHeight = BottomSpaceHeight;
    int m_captionHeight = 0;
    float m_correctValue = 1.0f;
    float m_koefRes_h = 1.0f;
    float m_koefRes_w = 1.0f;
    float m_left = 0;
    float m_top = 0;
};

// What a diagram field tells its chart.
struct DiagramOptions
{
    bool showGrid = true;
    bool showLegend = true;
    bool showCaption = true;
    bool showGraphCaption = true;
    bool showPercent = true;
    QString caption;
    bool autoFillData = false;
};

// Paints one diagram field in the device rectangle `box` (at the engine's
// scale factors) with a chart made for this painting only. With
// autoFillData the field's own graphs are drawn; otherwise `fill` (the
// program, asked through the engine) fills the chart. The chart draws in
// `font`: its own default would follow the application font's pixel size
// and come out microscopic on a high-resolution printer.
void paintDiagramField(QPainter* painter, const QString& name, const DiagramOptions& options,
                       const QFont& font, float koefResH, float koefResV, const QRect& box,
                       const GraphParamList& graphs, const std::function<void(Chart&)>& fill);

QDataStream& operator<<(QDataStream& out, const Chart& chart);
QDataStream& operator>>(QDataStream& in, Chart& chart);
