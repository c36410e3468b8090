#pragma once

#include <QWizard>

class GatewaySetupHost;
class GraphicsBox;
class IntroPage;
class VellSetUpPage;

// Run when a gateway item is placed on the map: asks for the new gateway's
// address, then sets it up. Everything is done as it happens; finishing and
// cancelling on the second page have the same effect.
class OsprelVellWizard : public QWizard
{
    Q_OBJECT
public:
    enum PageId { IntroPageId = 0, SetUpPageId = 1 };

    OsprelVellWizard(GraphicsBox* gatewayBox, GatewaySetupHost* host, QWidget* parent = nullptr);
    ~OsprelVellWizard() override;

    IntroPage* introPage() const { return m_intro; }
    VellSetUpPage* setUpPage() const { return m_setUp; }

private:
    IntroPage* m_intro;
    VellSetUpPage* m_setUp;
};

// Makes the map run the wizard for every gateway item placed on it.
void installGatewayWizard(GatewaySetupHost* host);
