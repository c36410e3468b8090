#pragma once

#include <QImage>
#include <QRectF>
#include <QString>

class QPainter;
class QPrinter;
class ReportEngine;
class ReportFieldObject;
class ReportPageObject;

// Paints the report pages a print command built in code rather than loaded
// from a template: every band of a page from the top of its printable area
// down, its label fields as text and its QtChart fields as the chart the
// print command fills in answer to the engine's setChart. Lengths are report
// units, a quarter of a millimetre.
class ReportPagePainter
{
public:
    static constexpr qreal kUnitsPerInch = 101.6;
    static constexpr int kHtmlDotsPerInch = 150;
    // A chart rotated a quarter turn counter-clockwise.
    static constexpr int kRotateQuarterLeft = 3;

    explicit ReportPagePainter(ReportEngine& engine);

    // One sheet per page, laid out as the page says. False (with a warning)
    // when painting cannot begin.
    bool paint(QPrinter* printer);

    // A PDF file for a name ending in ".pdf", otherwise an HTML file that
    // shows each page as a picture. False (with a warning) when it cannot
    // be written.
    bool printToFile(const QString& fileName);

    // The whole sheet of page `index`, white, at `dotsPerInch`.
    QImage renderPage(int index, int dotsPerInch);

private:
    void paintPage(QPainter& painter, const ReportPageObject& page, qreal scale);
    void paintLabel(QPainter& painter, const ReportFieldObject& field, const QRectF& target, qreal scale);
    void paintChart(QPainter& painter, ReportFieldObject& field, const QRectF& target);

    ReportEngine& m_engine;
};
