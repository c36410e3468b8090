#include "vchartdlg.h"
#include "viewslogging.h"
#include "ui_vchartdlg.h"

#include "reportbandobject.h"
#include "reportengine.h"
#include "reportfieldobject.h"
#include "reportpageobject.h"

#include <QBoxLayout>
#include <QDebug>
#include <QPushButton>
#include <QSpacerItem>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVector>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>

namespace {

// The rows of one energizer and sector, and every check point, in time order.
const char* const kChartQuery =
    "SELECT * FROM logVoltage WHERE datetime BETWEEN ? AND ? "
    "AND ((sector = ? AND energizer_no = ?) OR energizer_no = 0) ORDER BY datetime";

ReportFieldObject* addField(ReportBandObject* band, const QString& name, int type, const QRect& rect)
{
    auto* field = new ReportFieldObject;
    field->name = name;
    field->fieldType = type;
    field->rect = rect;
    // White frame sides are not drawn.
    field->borderTop = Qt::white;
    field->borderBottom = Qt::white;
    field->borderLeft = Qt::white;
    field->borderRight = Qt::white;
    field->alignment = VChartDlg::kCentred;
    field->autoHeight = false;
    band->addField(field);
    return field;
}

void setBoldFont(ReportFieldObject* field, int pointSize)
{
    field->font.setWeight(VChartDlg::kBold);
    field->font.setPointSize(pointSize);
}

} // namespace

VChartDlg::VChartDlg(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::VChartDlg)
{
    ui->setupUi(this);
    // Each double-click makes a new chart window; closing it must free it,
    // or a program that runs for months keeps every chart ever opened.
    setAttribute(Qt::WA_DeleteOnClose);
}

VChartDlg::~VChartDlg()
{
    delete ui;
}

void VChartDlg::showEvent(QShowEvent* /*event*/)
{
    setWindowModality(Qt::NonModal);
}

void VChartDlg::showChart(const QDateTime& from, const QDateTime& to, int number, int sectorNo,
                          const QString& name)
{
    dateFrom = from;
    dateTo = to;
    energizerNo = number;
    sector = sectorNo;
    energizerName = name;
    resize(kWindowWidth, kWindowHeight);

    auto* chart = new QChart();
    buildChart(chart);
    auto* view = new QChartView(chart, this);
    view->setRenderHint(QPainter::Antialiasing);

    auto* printButton = new QPushButton(tr("Print"), this);
    auto* closeButton = new QPushButton(tr("Close"), this);
    connect(printButton, &QPushButton::clicked, this, &VChartDlg::print);
    connect(closeButton, &QPushButton::clicked, this, &VChartDlg::close);

    auto* buttonRow = new QHBoxLayout;
    buttonRow->addSpacerItem(new QSpacerItem(40, 40, QSizePolicy::Expanding, QSizePolicy::Fixed));
    buttonRow->addWidget(printButton);
    buttonRow->addWidget(closeButton);
    buttonRow->addSpacerItem(new QSpacerItem(40, 40, QSizePolicy::Expanding, QSizePolicy::Fixed));

    auto* mainLayout = new QVBoxLayout;
    mainLayout->setContentsMargins(0, 0, 0, 0);
    mainLayout->setSpacing(0);
    mainLayout->addWidget(view);
    mainLayout->addLayout(buttonRow);
    setLayout(mainLayout);

    show();
}

void VChartDlg::buildChart(QChart* chart)
{
    const bool oneDay = dateFrom == dateTo;
    const QString startText = dateFrom.toString(QLatin1String(kDateFormat));
    const QString afterText = dateTo.addDays(1).toString(QLatin1String(kDateFormat));
    period = tr("From %1 to %2").arg(startText, afterText);
    const QString dateLabel = oneDay ? startText : period;

    energizerName.remove(QString::number(energizerNo) + QLatin1Char(' '));
    const QString prefix = sector != kBatterySector ? QStringLiteral("Output Voltage diagram (")
                                                    : QStringLiteral("Battery Voltage diagram (");
    title = prefix + energizerName + QStringLiteral(") ") + dateLabel;
    setWindowTitle(title);

    auto* series = new QLineSeries(chart);
    QVector<QPointF> points;
    QSqlQuery query;
    query.setForwardOnly(true);
    query.prepare(QLatin1String(kChartQuery));
    query.addBindValue(startText);
    query.addBindValue(afterText);
    query.addBindValue(sector);
    query.addBindValue(energizerNo);
    if (query.exec()) {
        const int datetimeColumn = query.record().indexOf(QStringLiteral("datetime"));
        const int voltageColumn = query.record().indexOf(QStringLiteral("voltage"));
        while (query.next()) {
            const QDateTime time =
                QDateTime::fromString(query.value(datetimeColumn).toString(), QLatin1String(kDateTimeFormat));
            // Only a row that no part of this program wrote has another form.
            if (!time.isValid())
                continue;
            points.append(QPointF(time.toMSecsSinceEpoch(), double(query.value(voltageColumn).toFloat())));
        }
    } else {
        qCWarning(lcViews) << "Voltage chart query failed:" << query.lastError().text();
    }
    series->replace(points);

    chart->addSeries(series);
    chart->legend()->hide();
    chart->setTitle(title);
    addAxes(chart, series, oneDay);
}

void VChartDlg::addAxes(QChart* chart, QLineSeries* series, bool oneDay)
{
    auto* axisX = new QDateTimeAxis(chart);
    if (oneDay) {
        axisX->setTickCount(kHoursTicks);
        axisX->setFormat(QStringLiteral("hh"));
        axisX->setTitleText(tr("Hour"));
        axisX->setRange(dateFrom, dateFrom.addDays(1));
    } else {
        // To the end of the end date, one tick per midnight: a reading taken
        // that day is drawn, as the query and the period include it.
        axisX->setTickCount(int(dateFrom.daysTo(dateTo)) + 2);
        axisX->setFormat(QStringLiteral("d/MM"));
        axisX->setTitleText(tr("Date"));
        axisX->setRange(dateFrom, dateTo.addDays(1));
    }
    chart->addAxis(axisX, Qt::AlignBottom);
    series->attachAxis(axisX);

    auto* axisY = new QValueAxis(chart);
    axisY->setLabelFormat(QStringLiteral("%i"));
    if (sector != kBatterySector) {
        axisY->setTitleText(tr("Output Voltage"));
        axisY->setRange(0, kOutputMaximum);
    } else {
        axisY->setTitleText(tr("Battery Voltage"));
        axisY->setRange(0, kBatteryMaximum);
    }
    chart->addAxis(axisY, Qt::AlignLeft);
    series->attachAxis(axisY);
}

void VChartDlg::print()
{
    buildReport();
    connect(report, &ReportEngine::setValueImage, this, &VChartDlg::setValueImage);
    connect(report, &ReportEngine::setChart, this, &VChartDlg::setChart);
    report->printExec(true, false, QString());
    // The preview is closed: each print would otherwise keep its report
    // (and the chart it drew) as long as the dialog lives.
    delete report;
    report = nullptr;
}

void VChartDlg::buildReport()
{
    report = new ReportEngine(this);
    auto* page = new ReportPageObject(nullptr);
    page->pageNo = 0;
    report->pageList.append(page);

    printWidth = page->pageWidth - page->marginsLeft - page->marginsRight;
    printHeight = page->pageHeight - page->marginsBottom - page->marginsTop;

    auto* band = new ReportBandObject;
    band->name = QStringLiteral("ReportTitle");
    band->type = ReportTitle;
    band->height = printHeight;
    page->addBand(band);

    ReportFieldObject* heading = addField(band, QStringLiteral("field1"), label, QRect(0, 0, printWidth, kTitleHeight));
    setBoldFont(heading, kTitlePointSize);
    heading->textWrap = true;
    heading->value = tr("Voltage Diagram");

    ReportFieldObject* periodField =
        addField(band, QStringLiteral("field2"), label, QRect(0, kPeriodTop, printWidth, kPeriodHeight));
    setBoldFont(periodField, kPeriodPointSize);
    periodField->textWrap = true;
    periodField->value = period;

    ReportFieldObject* chartField = addField(band, QStringLiteral("image"), QtChart,
                                             QRect(0, kChartTop, printWidth - kChartWidthLess, printHeight - kChartTop));
    chartField->ignoreAspectRatio = 0;
    chartField->rotate = kRotateQuarterLeft;
}

void VChartDlg::setChart(ReportFieldObject& fieldObject, QChart& chart)
{
    // A chart that keeps the engine's own name is not drawn.
    chart.setObjectName(QLatin1String(kReportChartName));
    buildChart(&chart);
    chart.resize(fieldObject.rect.width(), fieldObject.rect.height());
}

void VChartDlg::setValueImage(int /*recNo*/, QString paramName, QImage& paramValue, int /*reportPage*/)
{
    if (paramName != QLatin1String("image"))
        return;
    if (auto* view = findChild<QChartView*>())
        paramValue = view->grab().toImage();
}
