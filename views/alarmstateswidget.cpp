#include "alarmstateswidget.h"
#include "ui_alarmstateswidget.h"

#include "alarmstatesproxymodel.h"
#include "headerstate.h"
#include "logtable.h"
#include "reportengine.h"
#include "treemodel.h"
#include "ungroupproxymodel.h"

#include <QHash>
#include <QHeaderView>
#include <QSettings>

#include <utility>

namespace {

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

    proxy->filterText = ui->btnShowCurrentWorkSpaceAlarm->isChecked() ? currentWorkspace : QString();
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
    // Every device row of every gateway, whatever the view shows.
    printProxy = new AlarmStatesProxyModel(this);
    printProxy->ungroupModel = tableModel;
    printProxy->setSourceModel(tableModel);
    report = LogTable::startReport(this, QLatin1String(kReportFile), printProxy->rowCount());
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
    static const QHash<QString, int> columns = {
        {QStringLiteral("ip"), 11},     {QStringLiteral("name"), 0},    {QStringLiteral("state"), 1},
        {QStringLiteral("duration"), 7}, {QStringLiteral("attemts"), 8}, {QStringLiteral("lastTry"), 9},
        {QStringLiteral("sector1"), 2}, {QStringLiteral("sector2"), 4},
    };
    const auto it = columns.constFind(paramName);
    if (it != columns.constEnd() && printProxy)
        paramValue = printProxy->index(recNo, it.value()).data();
}
