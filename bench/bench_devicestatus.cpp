// Decoding device status records and evaluating device states, the work the
// control unit does for every record and the GUI for every tick.
#include "alarmcondition.h"
#include "node.h"
#include "shippedconditions.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

namespace {

constexpr int kEnergizers = 32;
constexpr int kIOCards = 31;
// Records each device takes in turn, made before the timing.
constexpr int RingSize = 1024;

StatusRecord randomRecord(std::mt19937& random)
{
    StatusRecord record;
    for (quint8& byte : record)
        byte = quint8(random());
    return record;
}

// Records each of which differs from the one before it (the last from the
// first too) in every byte: whatever bytes the evaluations read, a device
// that takes them in turn is evaluated anew each time, as when its state
// changed since the last heartbeat. A node keeps what it last evaluated and
// answers a record it evaluated last from there.
std::vector<StatusRecord> recordRing(std::mt19937& random)
{
    std::vector<StatusRecord> ring;
    for (int i = 0; i < RingSize; ++i)
        ring.push_back(randomRecord(random));
    for (int i = 0; i < RingSize; ++i) {
        const StatusRecord& before = ring[size_t((i + RingSize - 1) % RingSize)];
        const StatusRecord& after = ring[size_t((i + 1) % RingSize)];
        for (size_t b = 0; b < before.size(); ++b) {
            while (ring[size_t(i)][b] == before[b] || ring[size_t(i)][b] == after[b])
                ++ring[size_t(i)][b];
        }
    }
    return ring;
}

// How many neighbours of the ring share a byte: 0, or the cache may answer.
int alikeNeighbours(const std::vector<StatusRecord>& ring)
{
    int alike = 0;
    for (size_t i = 0; i < ring.size(); ++i) {
        const StatusRecord& next = ring[(i + 1) % ring.size()];
        for (size_t b = 0; b < next.size(); ++b) {
            if (ring[i][b] == next[b]) {
                ++alike;
                break;
            }
        }
    }
    return alike;
}

// A device row as the control unit leaves it once data came: updated.
std::unique_ptr<Node> deviceRow()
{
    auto node = std::make_unique<Node>(QStringLiteral("device"));
    node->type = Node::StatusRow;
    node->columns.resize(12);
    node->columns[1] = 0;
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

// The conditions the program ships in force, and the ring checked; false
// (the bench skipped) when either would make it time something else.
bool prepare(benchmark::State& state, const std::vector<StatusRecord>& ring, bool newRecord)
{
    const int conditions = installShippedConditions();
    state.counters["conditions"] = conditions;
    if (conditions == 0) {
        state.SkipWithError("the shipped alarm conditions could not be read");
        return false;
    }
    if (newRecord && alikeNeighbours(ring) > 0) {
        state.SkipWithError("records repeat a byte: the evaluation cache could answer");
        return false;
    }
    return true;
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

// Status, both sectors and the gate of one energizer under the shipped
// conditions. newRecord:1, a new record each time (copied in as the control
// unit does, then evaluated in full); newRecord:0, the record evaluated
// last, which the node answers from what it kept (the tick's case between
// heartbeats). Counter `newRecords`: records per iteration that differ from
// the one before.
void BM_EvaluateEnergizer(benchmark::State& state)
{
    const bool newRecord = state.range(0) != 0;
    std::mt19937 random(11);
    const std::vector<StatusRecord> ring = recordRing(random);
    if (!prepare(state, ring, newRecord))
        return;
    auto node = deviceRow();
    node->record = ring[0];
    size_t next = 0;
    for (auto _ : state) {
        if (newRecord) {
            next = (next + 1) % ring.size();
            node->record = ring[next];
        }
        evaluateEnergizer(*node);
    }
    state.counters["newRecords"] = newRecord ? 1 : 0;
}
BENCHMARK(BM_EvaluateEnergizer)->ArgName("newRecord")->Arg(1)->Arg(0);

// A full gateway, 32 energizers and 31 IO cards, the same way: each device
// takes its own place in the ring and moves on by one each iteration.
void BM_EvaluateSite63(benchmark::State& state)
{
    const bool newRecord = state.range(0) != 0;
    std::mt19937 random(13);
    const std::vector<StatusRecord> ring = recordRing(random);
    if (!prepare(state, ring, newRecord))
        return;
    constexpr int devices = kEnergizers + kIOCards;
    std::vector<std::unique_ptr<Node>> rows;
    for (int i = 0; i < devices; ++i) {
        rows.push_back(deviceRow());
        rows.back()->record = ring[size_t(i)];
    }
    size_t next = 0;
    for (auto _ : state) {
        if (newRecord) {
            next = (next + 1) % ring.size();
            for (int i = 0; i < devices; ++i)
                rows[size_t(i)]->record = ring[(next + size_t(i)) % ring.size()];
        }
        for (int i = 0; i < kEnergizers; ++i)
            evaluateEnergizer(*rows[size_t(i)]);
        for (int i = kEnergizers; i < devices; ++i)
            benchmark::DoNotOptimize(rows[size_t(i)]->evaluateIOCardStatus());
    }
    state.counters["newRecords"] = newRecord ? devices : 0;
}
BENCHMARK(BM_EvaluateSite63)->ArgName("newRecord")->Arg(1)->Arg(0);

} // namespace

BENCHMARK_MAIN();
