#pragma once

#include <QDialog>

class GatewaySetupHost;
class OsprelVellSetupWidget;

namespace Ui {
class OsprelVellSetupDlg;
}

// The gateway setup dialog: the setup widget over every gateway of the
// project, and "Close". All its effects are in the nodes.
class OsprelVellSetupDlg : public QDialog
{
    Q_OBJECT
public:
    explicit OsprelVellSetupDlg(GatewaySetupHost* host, QWidget* parent = nullptr);
    ~OsprelVellSetupDlg() override;

    OsprelVellSetupWidget* setupWidget() const { return m_widget; }

private:
    Ui::OsprelVellSetupDlg* ui;
    OsprelVellSetupWidget* m_widget;
};
