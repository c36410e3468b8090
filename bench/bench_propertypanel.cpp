#include "benchmain.h"
#include "graphicsbox.h"
#include "graphicsscene.h"
#include "mainwindow.h"
#include "sitetrees.h"
#include "workspacearea.h"
#include "devicestates.h"
#include "node.h"
#include "propertypanel.h"
#include "propertyset.h"
#include "sitemutex.h"

#include <QApplication>
#include <QFile>
#include <QSqlDatabase>
#include <QTemporaryDir>

#include <memory>

namespace {
// The window over a private copy of the built runtime files, with one gateway
// box on its map.
struct PanelBench
{
    PanelBench()
    {
        for (const char* file : {"brenik.db", "DefaultParams.xml"})
            QFile::copy(QStringLiteral(LUMETRA_RUNTIME_DIR "/") + QLatin1String(file),
                        home.filePath(QLatin1String(file)));
        qputenv("LUMETRA_HOME", home.path().toUtf8());
        auto db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
        db.setDatabaseName(home.filePath(QStringLiteral("brenik.db")));
        db.open();
        window = std::make_unique<MainWindow>();
        gateway = new GraphicsBox(GraphicsBox::GatewayBox);
        window->workspaces()->currentScene()->insertItem(gateway);
        // Heartbeats reach devices of the energizer model only.
        window->trees()->rebuildEnergizerModel(*window->workspaces());
    }
    QTemporaryDir home;
    std::unique_ptr<MainWindow> window;
    GraphicsBox* gateway = nullptr;
};

// Made at first use and gone before the application object: a window
// outliving it crashed the bench on its way out.
std::unique_ptr<PanelBench>& holder()
{
    static std::unique_ptr<PanelBench> instance;
    return instance;
}

PanelBench& bench()
{
    if (!holder())
        holder() = std::make_unique<PanelBench>();
    return *holder();
}

// Selecting the gateway box on the map: clear, rows, factory, read-only pass.
void BM_FillGatewayPanel(benchmark::State& state)
{
    PanelBench& b = bench();
    PropertySet* set = b.window->propertyPanel()->propertySets.first();
    for (auto _ : state)
        b.window->propertyPanel()->fillPropertyBrowser(set, b.gateway, nullptr);
}
BENCHMARK(BM_FillGatewayPanel)->Unit(benchmark::kMillisecond);

// The energizer panel (the most rows of a device) filled from scratch.
void BM_FillEnergizerPanel(benchmark::State& state)
{
    PanelBench& b = bench();
    PropertySet* set = b.window->propertyPanel()->propertySets.first();
    Node* energizer = b.gateway->node()->child(0);
    for (auto _ : state)
        b.window->propertyPanel()->fillPropertyBrowser(set, nullptr, energizer);
}
BENCHMARK(BM_FillEnergizerPanel)->Unit(benchmark::kMillisecond);

// One heartbeat of a changed device, through the path the program runs: its
// model row, the map buttons aimed at it and the panel that shows it.
void BM_LiveUpdateEnergizer(benchmark::State& state)
{
    PanelBench& b = bench();
    PropertySet* set = b.window->propertyPanel()->propertySets.first();
    Node* energizer = b.gateway->node()->child(0);
    set->currentNode = energizer;
    b.window->propertyPanel()->fillPropertyBrowser(set, nullptr, energizer);
    int status = 0;
    for (auto _ : state) {
        {
            SiteLocker lock;
            energizer->deviceNode->setData(1, status);
            energizer->deviceNode->outputArea[3] = quint8(status & 1);
        }
        status = (status + 1) % 4;
        b.window->deviceStates()->energHeartbeat(energizer->deviceNode, false);
    }
}
BENCHMARK(BM_LiveUpdateEnergizer)->Unit(benchmark::kMicrosecond);
} // namespace

int main(int argc, char** argv)
{
    return runQtBenchmarks<QApplication>(argc, argv, [] { holder().reset(); });
}
