#include "sitefixture.h"

#include "gatewaysimulator.h"
#include "graphicsbox.h"
#include "graphicsline.h"
#include "graphicsscene.h"
#include "mainwindow.h"
#include "node.h"
#include "sitemutex.h"
#include "treemodel.h"

#include <QtTest>

SiteFixture SiteFixture::place(GraphicsScene* scene, const QString& ip)
{
    SiteFixture site;
    site.gateway = new GraphicsBox(GraphicsBox::GatewayBox);
    site.gateway->setIP(ip);
    site.gateway->setPos(420, 40);
    scene->addItem(site.gateway);
    scene->elementModel()->insertNode(scene->workplaceNode(), -1, site.gateway->node());
    scene->energizerModel()->insertNode(scene->energizerModel()->rootNode(), -1, site.gateway->energizerNode());

    site.fence = new GraphicsLine();
    for (const QPointF& p : {QPointF(40, 300), QPointF(400, 300), QPointF(400, 420)})
        site.fence->appendPoint(p);
    site.fence->setLineWidth(6);
    site.fence->updateShape();
    scene->addItem(site.fence);
    site.fence->setName(QStringLiteral("fence1"));
    scene->elementModel()->insertNode(site.energizer(1)->child(0), -1, site.fence->node());
    return site;
}

Node* SiteFixture::energizer(int number) const
{
    return gateway->node()->child(number - 1);
}

Node* SiteFixture::row(int number) const
{
    return energizer(number)->deviceNode;
}

void connectGatewayLink(MainWindow& window, GatewaySimulator& sim)
{
    qtClient* client = window.units()->fenceClient();
    LinkTiming timing;
    timing.sweepStartDelayMs = 10;
    client->setTiming(timing);
    client->setPort(sim.port());
    client->moveTo(sim.address().toString());
    QVERIFY(sim.waitForConnection());
    sim.sendHeartbeat();
    QTRY_VERIFY_WITH_TIMEOUT(client->dataValid, 10000);
}

QByteArray energizerRecord(int n, quint8 byte12)
{
    QByteArray record(32, '\0');
    record[0] = char(n);
    record[12] = char(byte12);
    record[13] = char(0x82);
    record[20] = char(0x82);
    return record;
}
