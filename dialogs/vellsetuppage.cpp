#include "vellsetuppage.h"
#include "dialogslogging.h"

#include "dottedquad.h"
#include "gatewaysetuphost.h"
#include "graphicsbox.h"
#include "graphicsscene.h"
#include "intropage.h"
#include "node.h"
#include "osprelvellsetupwidget.h"
#include "qtclient.h"
#include "treemodel.h"

#include <QGridLayout>

VellSetUpPage::VellSetUpPage(GraphicsBox* gatewayBox, GatewaySetupHost* host, QWidget* parent)
    : QWizardPage(parent)
    , m_sceneGuard(gatewayBox ? gatewayBox->scene() : nullptr)
    , m_gatewayBox(gatewayBox)
    , m_host(host)
{
    setObjectName(OsprelVellSetupWidget::WizardPageName);
    setTitle(QStringLiteral("KX4 Setup"));
    setSubTitle(tr("Please mark Enabled Energizers and IO Cards which are you going to use. Other please set to "
                   "Disabled"));
    auto* layout = new QGridLayout(this);
    m_widget = new OsprelVellSetupWidget(host, this);
    layout->addWidget(m_widget, 0, 0);
}

void VellSetUpPage::initializePage()
{
    const QString address = field(IntroPage::AddressField).toString().trimmed();
    // The first page lets only a dotted quad through; a field set around it
    // neither moves the client nor names the gateway.
    const bool valid = isDottedQuad(address);
    if (valid)
        reconnectClient(address);
    else
        qCWarning(lcDialogs) << "Gateway wizard: address" << address << "is no dotted quad; the gateway keeps its own";
    // The item may have gone with its map while the first page was open.
    const bool boxAlive = valid && m_gatewayBox && m_sceneGuard && m_gatewayBox->scene() == m_sceneGuard;
    if (boxAlive) {
        m_gatewayBox->setIP(address);
        fileElementNode();
        if (m_host)
            m_host->gatewayBoxChanged(m_gatewayBox);
    }
    if (m_host)
        m_host->rebuildEnergizerModel();
    const Node* gateway = boxAlive && m_gatewayBox->node() ? m_gatewayBox->node()->deviceNode : nullptr;
    m_widget->fillGateways(address, gateway);
}

// Enter in a cell editor reaches the wizard as its default button, before
// the editor commits: without this the edit would go with the wizard.
bool VellSetUpPage::validatePage()
{
    m_widget->commitEdits();
    return true;
}

// Connecting runs in the event loop: an address that does not answer never
// holds up the GUI.
void VellSetUpPage::reconnectClient(const QString& address)
{
    qtClient* client = m_host ? m_host->gatewayClient() : nullptr;
    if (client)
        client->moveTo(address);
}

void VellSetUpPage::fileElementNode()
{
    auto* scene = qobject_cast<GraphicsScene*>(m_gatewayBox->scene());
    Node* workplace = scene ? scene->workplaceNode() : nullptr;
    Node* node = m_gatewayBox->node();
    if (!workplace || !node)
        return;
    if (node->parent() != workplace) {
        if (g_elementTreeModel && g_elementTreeModel->contains(workplace))
            g_elementTreeModel->insertNode(workplace, -1, node);
        else
            node->setParent(workplace);
    }
    if (g_elementTreeModel && g_elementTreeModel->contains(workplace))
        g_elementTreeModel->refreshNode(workplace);
}
