// Fence lines and TW sector circles on a site map: one tick of the alarm
// display (every line and circle handed its status, then the frame painted),
// and a workspace with four gateways written to and read from its
// project-file form.
#include "benchmain.h"
#include "graphicsbox.h"
#include "graphicscircle.h"
#include "graphicsline.h"
#include "graphicsscene.h"
#include "node.h"
#include "resources.h"

#include <QApplication>
#include <QDomDocument>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int LineCount = 60;
constexpr int CircleCount = 32;
constexpr int GatewayCount = 4;

struct FenceMap
{
    std::unique_ptr<GraphicsScene> scene;
    QList<GraphicsLine*> lines;
    QList<GraphicsCircle*> circles;
    QList<GraphicsBox*> gateways;
};

FenceMap buildFenceMap()
{
    FenceMap map;
    map.scene = std::make_unique<GraphicsScene>(QStringLiteral("Bench"));
    map.scene->setSceneRect(0, 0, 1920, 1080);
    for (int i = 0; i < LineCount; ++i) {
        auto* line = new GraphicsLine;
        const qreal y = 20 + i * 17;
        for (int p = 0; p < 4; ++p)
            line->appendPoint(QPointF(40 + p * 600, y + (p % 2) * 8));
        map.scene->insertItem(line);
        map.scene->setUniqueName(line);
        map.lines.append(line);
    }
    for (int i = 0; i < CircleCount; ++i) {
        auto* circle = new GraphicsCircle(GraphicsCircle::PlacedKind);
        map.scene->insertItem(circle);
        map.scene->setUniqueName(circle);
        circle->setElementPos(60 + (i % 16) * 110, 30 + (i / 16) * 500);
        circle->mouseReleaseEvent(nullptr);
        map.circles.append(circle);
    }
    for (int i = 0; i < GatewayCount; ++i) {
        auto* gateway = new GraphicsBox(GraphicsBox::GatewayBox);
        gateway->setElementPos(40 + i * 300, 800);
        map.scene->insertItem(gateway);
        map.scene->setUniqueName(gateway);
        map.gateways.append(gateway);
    }
    map.scene->setDesignMode(false);
    return map;
}

void destroyFenceMap(FenceMap& map)
{
    for (GraphicsBox* gateway : map.gateways)
        delete gateway->energizerNode();
    map.scene.reset();
}

void BM_FenceAlarmTickAndPaint(benchmark::State& state)
{
    FenceMap map = buildFenceMap();
    QImage frame(1920, 1080, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        for (GraphicsLine* line : map.lines)
            line->setStatus(Node::Critical, Qt::red);
        for (GraphicsCircle* circle : map.circles)
            circle->setStatus(SensorState::Alarm);
        QPainter painter(&frame);
        map.scene->render(&painter, QRectF(0, 0, 1920, 1080), QRectF(0, 0, 1920, 1080));
    }
    destroyFenceMap(map);
}
BENCHMARK(BM_FenceAlarmTickAndPaint)->Unit(benchmark::kMillisecond);

QDomElement writeWorkspace(QDomDocument& document, GraphicsScene* scene)
{
    QDomElement workplace = document.createElement(QStringLiteral("Workplace"));
    for (QGraphicsItem* item : scene->items(Qt::DescendingOrder)) {
        if (auto* helper = dynamic_cast<GraphicsHelperClass*>(item)) {
            const QDomElement element = helper->toXml(document);
            if (!element.isNull())
                workplace.appendChild(element);
        }
    }
    return workplace;
}

void BM_WriteWorkspace(benchmark::State& state)
{
    FenceMap map = buildFenceMap();
    for (auto _ : state) {
        QDomDocument document;
        document.appendChild(writeWorkspace(document, map.scene.get()));
        benchmark::DoNotOptimize(document.toString().size());
    }
    destroyFenceMap(map);
}
BENCHMARK(BM_WriteWorkspace)->Unit(benchmark::kMillisecond);

void BM_ReadWorkspace(benchmark::State& state)
{
    QString text;
    {
        FenceMap map = buildFenceMap();
        QDomDocument document;
        document.appendChild(writeWorkspace(document, map.scene.get()));
        text = document.toString();
        destroyFenceMap(map);
    }
    for (auto _ : state) {
        QDomDocument document;
        document.setContent(text);
        GraphicsScene scene(QStringLiteral("Read"));
        QList<GraphicsBox*> gateways;
        for (QDomElement e = document.documentElement().firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
            const QString type = e.attribute(QStringLiteral("itemType"));
            if (type == QLatin1String("line")) {
                auto* line = new GraphicsLine;
                line->readXml(e);
                scene.insertItem(line);
            } else if (type == QLatin1String("TWSector")) {
                auto* circle = new GraphicsCircle(GraphicsCircle::FileKind);
                scene.insertItem(circle);
                circle->readXml(e, nullptr);
                circle->mouseReleaseEvent(nullptr);
            } else if (type == QLatin1String("OsprelVell")) {
                auto* gateway = new GraphicsBox(GraphicsBox::GatewayBox);
                scene.insertItem(gateway);
                gateway->readXml(e);
                gateways.append(gateway);
            }
        }
        for (GraphicsBox* gateway : gateways)
            delete gateway->energizerNode();
    }
}
BENCHMARK(BM_ReadWorkspace)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return runQtBenchmarks<QApplication>(argc, argv);
}
