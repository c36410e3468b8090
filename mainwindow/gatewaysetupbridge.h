#pragma once

#include "gatewaysetuphost.h"

#include <QObject>

class DeviceUnits;

// What the gateway setup dialog and wizard need of the running window: its
// gateway client, the energizer model rebuilt from the gateway boxes, and
// the views refreshed after devices were enabled or disabled. The last two
// it announces; the window connects them, at once, to the areas that do
// them. Installed as the dialogs' host while the window lives.
class GatewaySetupBridge : public QObject, public GatewaySetupHost
{
    Q_OBJECT
public:
    explicit GatewaySetupBridge(DeviceUnits* units);
    ~GatewaySetupBridge() override;

    qtClient* gatewayClient() override;
    void rebuildEnergizerModel() override;
    void deviceEnablingChanged() override;
    void gatewayBoxChanged(GraphicsBox* box) override;

signals:
    void energizerModelRebuildRequested();
    void enablingChanged();
    void gatewayBoxShownAnew(GraphicsBox* box);

private:
    DeviceUnits* m_units;
};
