#include "alarmstateswidget.h"
#include "ui_alarmstateswidget.h"

#include "alarmstatesproxymodel.h"
#include "headerstate.h"
#include "logtable.h"
#include "reportrows.h"
#include "sitemutex.h"
#include "reportengine.h"
#include "treemodel.h"
#include "ungroupproxymodel.h"

#include <QStringList>
#include <QVector>
#include <QHeaderView>
#include <QSettings>

#include <utility>

namespace {

// The report's variables and the model columns they print.
const QStringList kReportNames = {QStringLiteral("ip"),       QStringLiteral("name"),    QStringLiteral("state"),
                                  QStringLiteral("duration"), QStringLiteral("attemts"), QStringLiteral("lastTry"),
                                  QStringLiteral("sector1"),  QStringLiteral("sector2")};
const QVector<int> kReportColumns = {11, 0, 1, 7, 8, 9, 2, 4};

// Column widths of a first start: (logical section, width) in this order.
const std::pair<int, int> kDefaultWidths[] = {{0, 200}, {1, 80}, {2, 90}, {4, 90}, {3, 80}, {5, 80}, {9, 120}};

} // namespace

AlarmStatesWidget::AlarmStatesWidget(TreeModel* model, QWidget* parent)
    : QWidget(parent)
    , ui(new Ui::AlarmStatesWidget)
    , model(model)
{
    ui->setupUi(this);

    proxy = new AlarmStatesProxyModel(this);
    proxy->setSourceModel(model);
    tableModel = new UngroupProxyModel(this);
    tableModel->setSourceModel(model);
    ui->statesAlarmTree->setModel(proxy);
    // Rows of one line each: a state change then costs no row-height
    // measuring of every row it touches, which every tick would repeat.
    ui->statesAlarmTree->setUniformRowHeights(true);

    QHeaderView* header = ui->statesAlarmTree->header();
    if (!HeaderState::restore(header, QLatin1String(kHeaderStateKey))) {
        for (const auto& [section, width] : kDefaultWidths)
            header->resizeSection(section, width);
    }

    connect(ui->btnShowAllAlarms, &QToolButton::clicked, this, &AlarmStatesWidget::filteringAlarmStates);
    connect(ui->btnShowCurrentWorkSpaceAlarm, &QToolButton::clicked, this, &AlarmStatesWidget::filteringAlarmStates);
    connect(ui->btnShowTable, &QToolButton::clicked, this, &AlarmStatesWidget::filteringAlarmStates);
    connect(ui->btnPrintPreview, &QToolButton::clicked, this, &AlarmStatesWidget::print);

    filteringAlarmStates();
}

AlarmStatesWidget::~AlarmStatesWidget()
{
    HeaderState::save(ui->statesAlarmTree->header(), QLatin1String(kHeaderStateKey));
    delete ui;
}

void AlarmStatesWidget::refresh()
{
    proxy->invalidate();
}

void AlarmStatesWidget::showWorkspace(const QString& caption)
{
    m_currentWorkspace = caption;
    filteringAlarmStates();
}

void AlarmStatesWidget::filteringAlarmStates()
{
    const bool table = ui->btnShowTable->isChecked();
    if (table) {
        proxy->ungroupModel = tableModel;
        proxy->setSourceModel(tableModel);
    } else {
        proxy->ungroupModel = nullptr;
        proxy->setSourceModel(model);
    }
    showTableColumns(table);

    proxy->filterText = ui->btnShowCurrentWorkSpaceAlarm->isChecked() ? m_currentWorkspace : QString();
    proxy->invalidateFilter();
    proxy->showAll = !ui->btnShowAllAlarms->isChecked();
    proxy->invalidateFilter();

    ui->statesAlarmTree->expandAll();
}

// The flat table leads with the gateway's IP column, which the tree (where
// the gateway row names it) does without.
void AlarmStatesWidget::showTableColumns(bool table)
{
    QHeaderView* header = ui->statesAlarmTree->header();
    if (header->count() <= kIpColumn)
        return;
    if (table) {
        header->showSection(kIpColumn);
        if (header->visualIndex(kIpColumn) != 0) {
            header->moveSection(header->visualIndex(kIpColumn), 0);
            header->resizeSection(kIpColumn, kIpWidth);
        }
    } else {
        if (header->visualIndex(kIpColumn) == 0)
            header->moveSection(0, kIpColumn);
        header->hideSection(kIpColumn);
    }
}

void AlarmStatesWidget::print()
{
    // One printout at a time: the window answers while pages render.
    if (report)
        return;
    // Every device row of every gateway, whatever the view shows, as the
    // states stand now: heartbeats that come while the report is shown,
    // repainted or exported change none of it.
    printProxy = new AlarmStatesProxyModel(this);
    printProxy->ungroupModel = tableModel;
    printProxy->setSourceModel(tableModel);
    std::unique_ptr<ReportRows> rows;
    {
        // One moment of every device: the units wait while the rows are copied.
        SiteLocker lock;
        rows = std::make_unique<ModelRows>(*printProxy, kReportColumns);
    }
    report = LogTable::startReport(this, QLatin1String(kReportFile), std::move(rows));
    connect(report, &ReportEngine::setValue, this, &AlarmStatesWidget::setValue);
    report->printExec(true, false, QString());
    printPreviewClosed();
}

void AlarmStatesWidget::printPreviewClosed()
{
    delete report;
    report = nullptr;
    delete printProxy;
    printProxy = nullptr;
}

void AlarmStatesWidget::setValue(int recNo, QString paramName, QVariant& paramValue, int)
{
    LogTable::answer(report, kReportNames, recNo, paramName, paramValue, 0, false);
}
