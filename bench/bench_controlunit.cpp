// The control unit's work per heartbeat and per tick for a full gateway of
// 32 energizers and 31 IO cards. Its signals go queued to a receiver on this
// thread, as they go to the window; the queue is drained outside the timing.
#include "benchmain.h"
#include "alarmcondition.h"
#include "controlunit.h"
#include "gatewaysubtree.h"
#include "node.h"
#include "qtclient.h"
#include "treemodel.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

const QString kAddress = QStringLiteral("127.0.0.1");

class Site
{
public:
    Site()
    {
        model.setRootNode(new Node(QStringLiteral("Name")));
        GatewaySubtree gateway(kAddress);
        gatewayRow = gateway.statusNode.release();
        element.reset(gateway.elementNode.release());
        model.insertNode(model.rootNode(), -1, gatewayRow);

        client.setPort(1);
        client.moveTo(kAddress);  // only to fix the address the data come from
        client.no_of_energizers = 32;
        client.no_of_iocards = 31;
        client.dataValid = true;

        unit.energizerModel = &model;
        unit.connectClient(&client, Qt::DirectConnection);
        QObject::connect(&unit, &ControlUnit::energHearbeat, &receiver, [](Node*, bool) {}, Qt::QueuedConnection);
        QObject::connect(&unit, &ControlUnit::energTick, &receiver, [](Node*) {}, Qt::QueuedConnection);
        QObject::connect(&unit, &ControlUnit::writeVoltageLog, &receiver, [](Node*) {}, Qt::QueuedConnection);
        QObject::connect(&unit, &ControlUnit::writeAlarmLog, &receiver, [](QString, QString, QString) {},
                         Qt::QueuedConnection);
        QObject::connect(&unit, &ControlUnit::sendCmd, &receiver, [](int, char, char, char, bool) {},
                         Qt::QueuedConnection);
    }

    static DeviceData record(int n, bool alarm)
    {
        DeviceData data(Kx4Image::kBlockSize, 0);
        data[0] = quint8(n);
        if (n <= 32) {
            data[9] = 0x60;
            data[13] = 0x82;
            data[20] = 0x82;
            data[16] = 0x40;
            data[23] = 0x40;
            data[12] = alarm ? 0x80 : 0;
        } else {
            data[4] = alarm ? 0x01 : 0;
            data[6] = 0x05;
        }
        return data;
    }

    void heartbeat(bool alarm)
    {
        for (int n = 1; n <= 32; ++n)
            emit client.dataUpdate(records[alarm][n], n);
        for (int n = 33; n <= 63; ++n)
            emit client.dataUpdate(records[alarm][n], n);
    }

    void prepareRecords()
    {
        for (int variant = 0; variant < 2; ++variant)
            for (int n = 0; n < Kx4Image::kBlockCount; ++n)
                records[variant].append(record(n, variant == 1));
    }

    TreeModel model;
    std::unique_ptr<Node> element;
    Node* gatewayRow = nullptr;
    qtClient client{0};
    ControlUnit unit;
    QObject receiver;
    KX4Data records[2];
};

void installConditions()
{
    AlarmConditionList list;
    for (int key : {EnergizerParam::Panic, EnergizerParam::FenceAlarm1, EnergizerParam::FenceAlarm2,
                    EnergizerParam::MainFail, EnergizerParam::CommsFail}) {
        AlarmCondition c;
        c.EnergParam = key;
        c.AlarmStatus = key == EnergizerParam::Panic ? 1 : 2;
        c.Active = true;
        c.AlarmColor = Qt::red;
        list.append(c);
    }
    setAlarmConditions(list);
}

void drain()
{
    QCoreApplication::sendPostedEvents();
}

// A heartbeat whose records are the same as the last: decode, evaluate, signal.
void BM_HeartbeatSteady(benchmark::State& state)
{
    installConditions();
    Site site;
    site.prepareRecords();
    site.heartbeat(false);
    site.heartbeat(false);
    drain();
    for (auto _ : state) {
        site.heartbeat(false);
        state.PauseTiming();
        drain();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * 63);
}
BENCHMARK(BM_HeartbeatSteady)->Unit(benchmark::kMicrosecond);

// Every device changes state on every heartbeat: alarm lines and output mapping too.
void BM_HeartbeatEveryDeviceChanges(benchmark::State& state)
{
    installConditions();
    Site site;
    MappingRecord out;
    out.id = 40;
    out.codedValue[0] = 0x0400;  // relay 1 follows fence 1 alarm
    for (int n = 1; n <= 32; ++n)
        site.element->child(n - 1)->outputMappings = {out};
    site.prepareRecords();
    site.heartbeat(false);
    drain();
    bool alarm = false;
    for (auto _ : state) {
        alarm = !alarm;
        site.heartbeat(alarm);
        state.PauseTiming();
        drain();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * 63);
}
BENCHMARK(BM_HeartbeatEveryDeviceChanges)->Unit(benchmark::kMicrosecond);

// The one-second tick over 63 present devices.
void BM_Tick(benchmark::State& state)
{
    installConditions();
    Site site;
    site.prepareRecords();
    site.heartbeat(true);
    drain();
    for (auto _ : state) {
        site.unit.afterTimer();
        state.PauseTiming();
        drain();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * 63);
}
BENCHMARK(BM_Tick)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    return runQtBenchmarks<QCoreApplication>(argc, argv);
}
