// Decoding device status records and evaluating device states, the work the
// control unit does for every record and the GUI for every tick.
#include "alarmcondition.h"
#include "node.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

namespace {

constexpr int kEnergizers = 32;
constexpr int kIOCards = 31;

// A condition list as large as the shipped defaults: one entry per energizer
// parameter and the no-alarm colour, then the four sensor classes.
void installConditions()
{
    AlarmConditionList conditions;
    for (int key = 1; key <= 53; ++key) {
        AlarmCondition c;
        c.AlarmPart = AlarmCondition::EnergizerPart;
        c.EnergParam = key;
        c.AlarmStatus = key % 4;
        c.Active = key % 7 != 0;
        c.AlarmColor = QColor(key * 4, 255 - key * 4, 128);
        conditions << c;
    }
    for (int key = 0; key < 4; ++key) {
        AlarmCondition c;
        c.AlarmPart = AlarmCondition::SensorPart;
        c.EnergParam = key;
        c.AlarmStatus = key;
        c.Active = true;
        conditions << c;
    }
    setAlarmConditions(conditions);
}

StatusRecord randomRecord(std::mt19937& random)
{
    StatusRecord record;
    for (quint8& byte : record)
        byte = quint8(random());
    return record;
}

std::unique_ptr<Node> deviceRow(std::mt19937& random)
{
    auto node = std::make_unique<Node>(QStringLiteral("device"));
    node->type = Node::StatusRow;
    node->columns.resize(12);
    node->columns[1] = 0;
    node->record = randomRecord(random);
    node->updated = true;
    return node;
}

void evaluateEnergizer(Node& node)
{
    benchmark::DoNotOptimize(node.evaluateEnergizerStatus());
    benchmark::DoNotOptimize(node.evaluateSector1Status());
    benchmark::DoNotOptimize(node.evaluateSector2Status());
    benchmark::DoNotOptimize(node.evaluateGateStatus());
}

void BM_DecodeAllEnergizerParams(benchmark::State& state)
{
    std::mt19937 random(7);
    const StatusRecord record = randomRecord(random);
    for (auto _ : state) {
        for (int param = 1; param <= kLastEnergizerParam; ++param)
            benchmark::DoNotOptimize(decodeEnergizerParam(record, param));
    }
}
BENCHMARK(BM_DecodeAllEnergizerParams);

// Status, both sectors and the gate of one energizer.
void BM_EvaluateEnergizer(benchmark::State& state)
{
    installConditions();
    std::mt19937 random(11);
    auto node = deviceRow(random);
    for (auto _ : state)
        evaluateEnergizer(*node);
}
BENCHMARK(BM_EvaluateEnergizer);

// A full gateway: 32 energizers and 31 IO cards.
void BM_EvaluateSite63(benchmark::State& state)
{
    installConditions();
    std::mt19937 random(13);
    std::vector<std::unique_ptr<Node>> devices;
    for (int i = 0; i < kEnergizers + kIOCards; ++i)
        devices.push_back(deviceRow(random));
    for (auto _ : state) {
        for (int i = 0; i < kEnergizers; ++i)
            evaluateEnergizer(*devices[i]);
        for (int i = kEnergizers; i < kEnergizers + kIOCards; ++i)
            benchmark::DoNotOptimize(devices[i]->evaluateIOCardStatus());
    }
}
BENCHMARK(BM_EvaluateSite63);

} // namespace

BENCHMARK_MAIN();
