#pragma once

class GraphicsBox;
class qtClient;

// What the gateway setup widget and wizard need of the main window. The
// dialogs sit below the main window, so the main window implements this and
// hands it to the dialogs it opens; tests hand a stand-in. Without a host the
// dialogs still edit the nodes, but reconnect nothing and refresh no view
// beyond the two tree models.
class GatewaySetupHost
{
public:
    virtual ~GatewaySetupHost();

    // The program's gateway client ("FenceClient"); null when there is none.
    virtual qtClient* gatewayClient() = 0;
    // Files every gateway item's energizer-model node under the model's root.
    virtual void rebuildEnergizerModel() = 0;
    // Enabled flags of devices changed: re-filter the element tree and
    // refresh the alarm states view.
    virtual void deviceEnablingChanged() = 0;
    // The wizard gave `box` its address: what shows the box shows it anew.
    virtual void gatewayBoxChanged(GraphicsBox* box) = 0;
};

