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
#include "workplacereader.h"
#include "workplacewriter.h"

#include <QApplication>
#include <QDomDocument>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <algorithm>
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
    WorkplaceWriter::writeItems(document, workplace, scene);
    return workplace;
}

// The workspace's TW system, as the window builds one for a workspace that
// has none in its file: the sector circles are read under its twin.
void buildTWSystem(Node* twRoot, int index, Node* workplace)
{
    auto* system = new Node(QStringLiteral("TW"), twRoot);
    system->type = Node::TWSystem;
    system->columns = QVector<QVariant>(4);
    system->setData(3, index);
    auto* twin = new Node(QStringLiteral("TW"), workplace);
    twin->type = Node::TWSystem;
    system->deviceNode = twin;
    twin->deviceNode = system;
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
    QDomDocument written;
    {
        FenceMap map = buildFenceMap();
        written.appendChild(writeWorkspace(written, map.scene.get()));
        destroyFenceMap(map);
    }
    const QString text = written.toString();
    int elements = 0;
    for (auto _ : state) {
        QDomDocument document;
        document.setContent(text);
        auto scene = std::make_unique<GraphicsScene>(QStringLiteral("Read"));
        auto twRoot = std::make_unique<Node>(QStringLiteral("TW"));
        WorkplaceReader::Hooks hooks;
        hooks.buildDefaultTWTree = [&](const QString&, int index) {
            buildTWSystem(twRoot.get(), index, scene->workplaceNode());
        };
        WorkplaceReader(twRoot.get(), hooks).read(document.documentElement(), 0, scene.get());
        const QList<QGraphicsItem*> items = scene->items();
        elements = int(std::count_if(items.cbegin(), items.cend(), [](QGraphicsItem* item) {
            return dynamic_cast<GraphicsHelperClass*>(item) != nullptr;
        }));
        const QList<GraphicsBox*> gateways = scene->gatewayBoxes();
        for (GraphicsBox* gateway : gateways)
            delete gateway->energizerNode();
        std::unique_ptr<Node> workplace(scene->workplaceNode());
        scene.reset();
    }
    state.counters["elements"] = elements;
}
BENCHMARK(BM_ReadWorkspace)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return runQtBenchmarks<QApplication>(argc, argv);
}
