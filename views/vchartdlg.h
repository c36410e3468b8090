#pragma once

#include <QDateTime>
#include <QDialog>
#include <QImage>
#include <QString>

#include <QtCharts/qchartglobal.h>

class QShowEvent;
class ReportEngine;
class ReportFieldObject;

QT_CHARTS_BEGIN_NAMESPACE
class QChart;
class QLineSeries;
QT_CHARTS_END_NAMESPACE
QT_CHARTS_USE_NAMESPACE

namespace Ui {
class VChartDlg;
}

// The logged voltage of one energizer, its battery or one fence sector,
// drawn as a line over a range of days. Check points of the log appear as
// drops to 0 V. The printout is a one-page report built here, whose chart
// field the report engine asks this dialog to fill.
class VChartDlg : public QDialog
{
    Q_OBJECT
public:
    static constexpr const char* kDateTimeFormat = "yyyy-MM-dd hh:mm:ss";
    static constexpr const char* kDateFormat = "yyyy-MM-dd";
    static constexpr const char* kReportChartName = "ffff";
    static constexpr int kWindowWidth = 1200;
    static constexpr int kWindowHeight = 600;
    static constexpr int kHoursTicks = 25;
    static constexpr int kBatterySector = -1;
    static constexpr int kBatteryMaximum = 20;
    static constexpr int kOutputMaximum = 10000;

    // The printout, in report units.
    static constexpr int kTitleHeight = 100;
    static constexpr int kPeriodTop = 100;
    static constexpr int kPeriodHeight = 40;
    // The chart starts below the period line: over the headings its grid
    // and first axis label ran through their texts.
    static constexpr int kChartTop = kPeriodTop + kPeriodHeight;
    static constexpr int kChartWidthLess = 150;
    static constexpr int kCentred = 132;
    static constexpr int kBold = 75;
    static constexpr int kTitlePointSize = 22;
    static constexpr int kPeriodPointSize = 14;
    static constexpr int kRotateQuarterLeft = 3;

    explicit VChartDlg(QWidget* parent = nullptr);
    ~VChartDlg() override;

    // Stores what to draw, builds the window and shows it.
    void showChart(const QDateTime& dateFrom, const QDateTime& dateTo, int energizerNo, int sector,
                   const QString& name);

    // Fills an empty chart with the logged line, its axes and title; also
    // titles the window.
    void buildChart(QChart* chart);

public slots:
    void print();
    void setValueImage(int recNo, QString paramName, QImage& paramValue, int reportPage);
    void setChart(ReportFieldObject& fieldObject, QChart& chart);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildReport();
    void addAxes(QChart* chart, QLineSeries* series, bool oneDay);

    Ui::VChartDlg* ui = nullptr;
    ReportEngine* report = nullptr;
    int printWidth = 0;
    int printHeight = 0;
    int energizerNo = 0;
    int sector = kBatterySector;
    QString energizerName;
    QDateTime dateFrom;
    QDateTime dateTo;
    QString period;
    QString title;
};
