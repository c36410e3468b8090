#pragma once

#include "gatewaysetuphost.h"

class MainWindow;

// What the gateway setup dialog and wizard need of the running window: its
// gateway client, the energizer model rebuilt from the gateway boxes, and
// the views refreshed after devices were enabled or disabled. Installed as
// the dialogs' host while the window lives.
class GatewaySetupBridge : public GatewaySetupHost
{
public:
    explicit GatewaySetupBridge(MainWindow* window);
    ~GatewaySetupBridge() override;

    qtClient* gatewayClient() override;
    void rebuildEnergizerModel() override;
    void deviceEnablingChanged() override;

private:
    MainWindow* m_window;
};
