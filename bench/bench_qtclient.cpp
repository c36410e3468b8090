// Packet processing throughput of the gateway client: received bytes in,
// deliveries out to a receiver on another thread that takes them from the
// client's inbox when woken, as the control unit does.
// And a TW controller's read, through the TW client to the TW unit.
#include "benchmain.h"
#include "gatewaysimulator.h"
#include "node.h"
#include "qtclient.h"
#include "qtclienttw.h"
#include "silentport.h"
#include "treemodel.h"
#include "twcontrolunit.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLoggingCategory>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <vector>

namespace {

QByteArray frame(quint8 function, const QByteArray& body)
{
    QByteArray bytes;
    const int length = 2 + body.size();
    bytes.append("\x00\x01\x00\x01", 4).append(char(length >> 8)).append(char(length & 0xFF));
    bytes.append(char(1)).append(char(function)).append(body);
    return bytes;
}

QByteArray fullHeartbeat()
{
    QByteArray body;
    body.append(char(32)).append(char(31));
    for (int k = 0; k < 6 * 32 + 2 * 31; ++k)
        body.append(char(k));
    return frame(90, body);
}

QByteArray blockWrite(int device)
{
    QByteArray body;
    const int start = device * 32;
    body.append(char(start >> 8)).append(char(start & 0xFF)).append('\0').append(char(32)).append(char(32));
    body.append(QByteArray(32, '\x5a'));
    return frame(16, body);
}

class Receiver : public QObject
{
    Q_OBJECT
public:
    explicit Receiver(qtClient* client)
        : client(client)
    {
    }

signals:
    void taken();

public slots:
    void take()
    {
        for (const LinkInbox::Delivery& delivery : client->inbox().take()) {
            ++deliveries;
            bytes += delivery.wholeImage ? Kx4Image::kImageSize : 0;
        }
        emit taken();
    }
    void commStatus(qtClient::ClientStatus) { ++statuses; }
    void drained() {}

public:
    qtClient* const client;
    std::atomic<long> deliveries{0};
    std::atomic<long> bytes{0};
    std::atomic<long> statuses{0};
};

// A client after its read sweep, wired to a receiver thread by signature text.
struct Fixture
{
    Fixture(bool logging, bool withReceiver)
        : client(0)
        , receiver(&client)
    {
        QLoggingCategory::setFilterRules(logging ? QString() : QStringLiteral("*.debug=false\n*.warning=false"));
        if (logging)
            qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
        QByteArray reply = frame(3, QByteArray(1, char(32)) + QByteArray(32, '\x11'));
        for (int k = 0; k < 64; ++k)
            client.receiveBytes(reply.constData(), reply.size());
        if (!withReceiver)
            return;
        receiver.moveToThread(&thread);
        thread.start();
        QObject::connect(&client, &qtClient::dataWaiting, &receiver, &Receiver::take, Qt::QueuedConnection);
        QObject::connect(&receiver, &Receiver::taken, &client, &qtClient::unitDone, Qt::QueuedConnection);
        QObject::connect(&client, SIGNAL(commStatus(qtClient::ClientStatus)), &receiver,
                         SLOT(commStatus(qtClient::ClientStatus)), Qt::QueuedConnection);
    }
    ~Fixture()
    {
        thread.quit();
        thread.wait();
        qInstallMessageHandler(nullptr);
    }
    // Waits until the receiver has handled everything sent so far; without
    // one, the inbox is emptied here.
    void drain()
    {
        if (!thread.isRunning()) {
            receiver.take();
            return;
        }
        // Its answer, once done, may wake it again for what came meanwhile.
        QMetaObject::invokeMethod(&receiver, "drained", Qt::BlockingQueuedConnection);
        QCoreApplication::processEvents();
        QMetaObject::invokeMethod(&receiver, "drained", Qt::BlockingQueuedConnection);
    }

    qtClient client;
    Receiver receiver;
    QThread thread;
};

constexpr int kBatch = 1000;

void runFrames(benchmark::State& state, const QByteArray& bytes)
{
    Fixture fixture(state.range(0) != 0, state.range(1) != 0);
    for (auto _ : state) {
        for (int i = 0; i < kBatch; ++i)
            fixture.client.receiveBytes(bytes.constData(), bytes.size());
        fixture.drain();
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
    state.SetBytesProcessed(state.iterations() * kBatch * bytes.size());
    state.counters["deliveries_per_batch"] = double(fixture.receiver.deliveries) / double(state.iterations());
}

void BM_FullHeartbeat(benchmark::State& state)
{
    runFrames(state, fullHeartbeat());
}

void BM_PushedWrite(benchmark::State& state)
{
    runFrames(state, blockWrite(3));
}

// What a connection attempt to a gateway that does not answer costs the GUI
// thread: the time moveTo() keeps its caller (timed), and the
// longest the event loop then goes without serving a 5 ms timer over the
// next 200 ms while the attempt is pending (`worst_gap_ms`). The gateway
// set-up wizard starts such an attempt when its first page is left.
void BM_ConnectToSilentPort(benchmark::State& state)
{
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));
    SilentPort silent;
    qtClient client(0);
    client.setPort(silent.port);
    qint64 worstGap = 0;
    for (auto _ : state) {
        client.moveTo(QStringLiteral("127.0.0.1"));
        state.PauseTiming();
        QElapsedTimer clock;
        QTimer probe;
        QObject::connect(&probe, &QTimer::timeout, [&] { worstGap = std::max(worstGap, clock.restart()); });
        QEventLoop loop;
        QTimer::singleShot(200, &loop, &QEventLoop::quit);
        clock.start();
        probe.start(5);
        loop.exec();
        client.abortSocket();
        state.ResumeTiming();
    }
    state.counters["worst_gap_ms"] = double(worstGap);
}

// One read of the TW controller holding `frames` state frames, each turning
// 32 sensors between Ready and Alarm: the client parses it and hands the
// image of each frame on, and the TW unit on its thread takes every image
// and tells each change (timed until the unit has handled the read).
void BM_TwStateRead(benchmark::State& state)
{
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\n*.warning=false"));
    const int frames = int(state.range(0));
    TreeModel model;
    model.setRootNode(new Node(QStringLiteral("Name")));
    // The unit takes the data of the TW system its link dials, named by its address.
    const QString address = QStringLiteral("127.0.0.1");
    auto* system = new Node(address, model.rootNode());
    for (int n = 1; n <= 32; ++n)
        new Node(QStringLiteral("Sensor%1").arg(n), system);
    TWControlUnit unit;
    unit.twModel = &model;
    unit.linkMovedTo(address);
    QThread thread;
    unit.moveToThread(&thread);
    thread.start();
    qtClientTW client(1);
    QObject::connect(&client, SIGNAL(tcpInUpdate(KX4Data)), &unit, SLOT(tovelUpdateArray(KX4Data)),
                     Qt::QueuedConnection);
    QByteArray reads[2];
    for (int f = 0; f < frames; ++f) {
        for (int r = 0; r < 2; ++r)
            reads[r] += GatewaySimulator::stateFrame(QByteArray(32, (f + r) % 2 ? char(0xDD) : char(0xFF)));
    }
    long changes = 0;
    QObject::connect(&unit, &TWControlUnit::writeAlarmLog, [&changes] { ++changes; });
    int read = 0;
    for (auto _ : state) {
        const QByteArray& bytes = reads[read++ % 2];
        client.receiveBytes(bytes.constData(), bytes.size());
        QMetaObject::invokeMethod(&unit, [] {}, Qt::BlockingQueuedConnection);
    }
    thread.quit();
    thread.wait();
    state.counters["changes_per_read"] = double(changes) / double(state.iterations());
    // A read's first frame repeats the last one's states when reads hold an even number.
    const long changing = frames % 2 ? frames : frames - 1;
    if (changes < 32L * changing * long(state.iterations()))
        state.SkipWithError("the TW unit told fewer changes than the reads carry");
}

} // namespace

BENCHMARK(BM_ConnectToSilentPort)->Iterations(20)->UseRealTime()->Unit(benchmark::kMicrosecond);

// logging 0: diagnostic lines filtered out; 1: formatted and handed to a silent handler.
// receiver 0: no receiver thread (the processing alone, the inbox emptied after every batch);
// 1: a receiver thread woken queued, as the control unit is, drained after every batch.
BENCHMARK(BM_FullHeartbeat)->ArgNames({"logging", "receiver"})->ArgsProduct({{0, 1}, {0, 1}})->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PushedWrite)->ArgNames({"logging", "receiver"})->ArgsProduct({{0, 1}, {0, 1}})->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TwStateRead)->ArgName("frames")->Arg(1)->Arg(10)->UseRealTime()->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    return runQtBenchmarks<QApplication>(argc, argv);
}

#include "bench_qtclient.moc"
