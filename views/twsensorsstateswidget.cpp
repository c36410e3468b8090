#include "twsensorsstateswidget.h"
#include "ui_twsensorsstateswidget.h"

#include "headerstate.h"
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
    // Rows of one line each: a sensor's tick then costs no row-height
    // measuring of every row it touches.
    ui->sensorStatesTree->setUniformRowHeights(true);

    QHeaderView* header = ui->sensorStatesTree->header();
    if (!HeaderState::restore(header, QLatin1String(kHeaderStateKey)))
        header->resizeSection(0, kNameWidth);

    // This view has neither a table form nor a printout.
    ui->btnPrintPreview->hide();
    ui->btnShowTable->hide();

    connect(ui->btnShowCurrentWorkSpaceAlarm, &QToolButton::clicked, this, &TWSensorsStatesWidget::filtering);
    connect(ui->btnShowAllAlarms, &QToolButton::clicked, this, &TWSensorsStatesWidget::filtering);

    filtering();
}

TWSensorsStatesWidget::~TWSensorsStatesWidget()
{
    HeaderState::save(ui->sensorStatesTree->header(), QLatin1String(kHeaderStateKey));
    delete ui;
}

void TWSensorsStatesWidget::refresh()
{
    proxy->invalidate();
}

void TWSensorsStatesWidget::showWorkspace(const QString& caption)
{
    m_currentWorkspace = caption;
    filtering();
}

void TWSensorsStatesWidget::filtering()
{
    proxy->filterText = ui->btnShowCurrentWorkSpaceAlarm->isChecked() ? m_currentWorkspace : QString();
    proxy->invalidateFilter();
    proxy->showAll = !ui->btnShowAllAlarms->isChecked();
    proxy->invalidateFilter();
    proxy->invalidate();
    ui->sensorStatesTree->expandAll();
}
