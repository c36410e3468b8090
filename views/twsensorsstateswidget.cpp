#include "twsensorsstateswidget.h"
#include "ui_twsensorsstateswidget.h"

#include "logtable.h"
#include "sensorstatesproxymodel.h"
#include "treemodel.h"

#include <QHeaderView>
#include <QSettings>

TWSensorsStatesWidget::TWSensorsStatesWidget(TreeModel* model, QWidget* parent)
    : QWidget(parent)
    , ui(new Ui::TWSensorsStatesWidget)
    , model(model)
{
    ui->setupUi(this);
    proxy = new SensorStatesProxyModel(this);
    proxy->setSourceModel(model);
    // The header has sections to size only once the view has its model.
    ui->sensorStatesTree->setModel(proxy);

    QHeaderView* header = ui->sensorStatesTree->header();
    const QByteArray state = LogTable::openSettings()->value(QLatin1String(kHeaderStateKey)).toByteArray();
    if (state.isEmpty())
        header->resizeSection(0, kNameWidth);
    else
        header->restoreState(state);

    // This view has neither a table form nor a printout.
    ui->btnPrintPreview->hide();
    ui->btnShowTable->hide();

    connect(ui->btnShowCurrentWorkSpaceAlarm, &QToolButton::clicked, this, &TWSensorsStatesWidget::filtering);
    connect(ui->btnShowAllAlarms, &QToolButton::clicked, this, &TWSensorsStatesWidget::filtering);

    filtering();
}

TWSensorsStatesWidget::~TWSensorsStatesWidget()
{
    LogTable::openSettings()->setValue(QLatin1String(kHeaderStateKey), ui->sensorStatesTree->header()->saveState());
    delete ui;
}

void TWSensorsStatesWidget::refresh()
{
    proxy->invalidate();
}

void TWSensorsStatesWidget::filtering()
{
    proxy->filterText = ui->btnShowCurrentWorkSpaceAlarm->isChecked() ? currentWorkspace : QString();
    proxy->invalidateFilter();
    proxy->showAll = !ui->btnShowAllAlarms->isChecked();
    proxy->invalidateFilter();
    proxy->invalidate();
    ui->sensorStatesTree->expandAll();
}
