#include "osprelvellwizard.h"

#include "graphicsscene.h"
#include "intropage.h"
#include "vellsetuppage.h"

#include <QCoreApplication>

namespace {
constexpr int kWidth = 773;
constexpr int kHeight = 489;
}

OsprelVellWizard::OsprelVellWizard(GraphicsBox* gatewayBox, GatewaySetupHost* host, QWidget* parent)
    : QWizard(parent)
    , m_intro(new IntroPage)
    , m_setUp(new VellSetUpPage(gatewayBox, host, this))
{
    setObjectName(QStringLiteral("OsprelVellWizard"));
    resize(kWidth, kHeight);
    setWindowTitle(tr("Wizard"));
    setPage(IntroPageId, m_intro);
    setPage(SetUpPageId, m_setUp);
}

OsprelVellWizard::~OsprelVellWizard() = default;

void installGatewayWizard(GatewaySetupHost* host)
{
    GraphicsScene::setGatewayWizardHook([host](GraphicsBox* box, QWidget* parent) {
        OsprelVellWizard wizard(box, host, parent);
        wizard.setWindowTitle(QCoreApplication::translate("GraphicsScene", "Add Osprel Vell Wizard"));
        wizard.exec();
    });
}
