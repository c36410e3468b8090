#include "gatewaysetupbridge.h"

#include "alarmstateswidget.h"
#include "elementtreeproxymodel.h"
#include "mainwindow.h"
#include "sitetrees.h"
#include "workspacearea.h"
#include "graphicsscene.h"
#include "osprelvellwizard.h"

GatewaySetupBridge::GatewaySetupBridge(MainWindow* window)
    : m_window(window)
{
    // A gateway box placed on the map asks for its address and devices.
    installGatewayWizard(this);
}

GatewaySetupBridge::~GatewaySetupBridge()
{
    GraphicsScene::setGatewayWizardHook({});
}

qtClient* GatewaySetupBridge::gatewayClient()
{
    return m_window->fenceClient();
}

void GatewaySetupBridge::rebuildEnergizerModel()
{
    m_window->trees()->rebuildEnergizerModel(*m_window->workspaces());
}

void GatewaySetupBridge::deviceEnablingChanged()
{
    m_window->elementTreeProxy()->invalidate();
    m_window->alarmStatesWidget()->refresh();
}
