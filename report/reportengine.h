#pragma once

#include <QDomDocument>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <QtCharts/qchartglobal.h>

#include <functional>

class QImage;
class ReportFieldObject;
class ReportPageObject;

QT_CHARTS_BEGIN_NAMESPACE
class QChart;
QT_CHARTS_END_NAMESPACE
QT_CHARTS_USE_NAMESPACE

// One report: a template, the record count of each report page, and the
// output (preview, printer or file). The print commands of the views create
// one per print, append their row count to `recordsCount`, load a template,
// answer `setValue` for every record and variable, and call `printExec`.
//
// This engine renders every MasterData variable of the template as a plain
// table, one line per record; templates are read from the usual XML form
// (document element, report pages, "ReportBand" elements, fields whose
// "value" holds [variable] references).
class ReportEngine : public QObject
{
    Q_OBJECT
public:
    // Replaces the preview dialog: when set, printExec hands the loaded report
    // to this function instead of opening a modal preview (unattended runs,
    // tests). An empty function restores the preview.
    using PreviewHook = std::function<void(ReportEngine& report)>;
    static void setPreviewHook(PreviewHook hook);

    explicit ReportEngine(QObject* parent = nullptr);
    ~ReportEngine() override;

    QList<ReportPageObject*> pageList;
    QList<int> recordsCount;

    bool loadReport(QString fileName);
    void printExec(bool maximize, bool direct, QString printerName);

    // Renders the report into a file: PDF when the name ends in ".pdf",
    // HTML otherwise. Returns false (with a warning) when it cannot write.
    bool printToFile(const QString& fileName);

    // The [variable] names of each report page's record band, in template order.
    QList<QStringList> pageVariables() const { return m_pageVariables; }

signals:
    void setValue(const int recNo, const QString paramName, QVariant& paramValue, const int reportPage);
    void setValueImage(const int recNo, const QString paramName, QImage& paramValue, const int reportPage);
    void setChart(ReportFieldObject& fieldObject, QChart& chart);

private:
    void readVariables();
    QString renderHtml();

    QDomDocument m_xmlDoc;
    QList<QStringList> m_pageVariables;
};
