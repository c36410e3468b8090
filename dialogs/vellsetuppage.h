#pragma once

#include <QPointer>
#include <QWizardPage>

class GatewaySetupHost;
class GraphicsBox;
class OsprelVellSetupWidget;

// Second page of the gateway wizard: points the gateway client at the new
// gateway, names the gateway item after its address, files its node under
// the workspace, rebuilds the energizer states model and shows the new
// gateway with every device in use.
class VellSetUpPage : public QWizardPage
{
    Q_OBJECT
public:
    VellSetUpPage(GraphicsBox* gatewayBox, GatewaySetupHost* host, QWidget* parent = nullptr);

    void initializePage() override;
    // Finishing: a Name cell still being edited is committed first.
    bool validatePage() override;
    OsprelVellSetupWidget* setupWidget() const { return m_widget; }

private:
    void reconnectClient(const QString& address);
    void fileElementNode();

    QPointer<QObject> m_sceneGuard;
    GraphicsBox* m_gatewayBox;
    GatewaySetupHost* m_host;
    OsprelVellSetupWidget* m_widget;
};
