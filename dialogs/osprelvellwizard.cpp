#include "osprelvellwizard.h"

#include "graphicsscene.h"
#include "intropage.h"
#include "vellsetuppage.h"

#include <QCoreApplication>

namespace {
constexpr int kWidth = 773;
constexpr int kHeight = 489;
}

OsprelVellWizard::OsprelVellWizard(GraphicsBox* gatewayBox, QWidget* parent)
    : QWizard(parent)
    , m_intro(new IntroPage)
    , m_setUp(new VellSetUpPage(gatewayBox, this))
{
    setObjectName(QStringLiteral("OsprelVellWizard"));
    resize(kWidth, kHeight);
    setWindowTitle(tr("Wizard"));
    setPage(IntroPageId, m_intro);
    setPage(SetUpPageId, m_setUp);
}

OsprelVellWizard::~OsprelVellWizard() = default;

void installGatewayWizard()
{
    GraphicsScene::setGatewayWizardHook([](GraphicsBox* box, QWidget* parent) {
        OsprelVellWizard wizard(box, parent);
        wizard.setWindowTitle(QCoreApplication::translate("GraphicsScene", "Add Osprel Vell Wizard"));
        wizard.exec();
    });
}
