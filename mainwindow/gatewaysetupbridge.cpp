#include "gatewaysetupbridge.h"

#include "deviceunits.h"
#include "graphicsscene.h"
#include "osprelvellwizard.h"

GatewaySetupBridge::GatewaySetupBridge(DeviceUnits* units)
    : m_units(units)
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
    return m_units->fenceClient();
}

void GatewaySetupBridge::rebuildEnergizerModel()
{
    emit energizerModelRebuildRequested();
}

void GatewaySetupBridge::deviceEnablingChanged()
{
    emit enablingChanged();
}

void GatewaySetupBridge::gatewayBoxChanged(GraphicsBox* box)
{
    emit gatewayBoxShownAnew(box);
}
