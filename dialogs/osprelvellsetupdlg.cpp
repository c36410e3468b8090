#include "osprelvellsetupdlg.h"
#include "ui_osprelvellsetupdlg.h"

#include "osprelvellsetupwidget.h"

OsprelVellSetupDlg::OsprelVellSetupDlg(GatewaySetupHost* host, QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::OsprelVellSetupDlg)
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("OsprelVellSetupDlg"));
    m_widget = new OsprelVellSetupWidget(host, this);
    ui->horizontalLayout_2->addWidget(m_widget);
    m_widget->fillGateways(QString());
}

OsprelVellSetupDlg::~OsprelVellSetupDlg()
{
    delete ui;
}
