#include "controlunitsite.h"

#include "alarmcondition.h"
#include "messagecatcher.h"
#include "sitemutex.h"
#include "threadannotations.h"

#include <QDeadlineTimer>
#include <QThread>
#include <QtTest>

#include <atomic>

// Marks, on the unit's thread, that everything posted before it has been handled.
class DrainMarker : public QObject
{
    Q_OBJECT
public:
    std::atomic<bool> reached{false};
public slots:
    void mark() { reached = true; }
};

// The control unit works through a long run of device records on its own
// thread while the GUI thread does everything the window does with the same
// rows: reads and evaluates them, resets them, and rebuilds the energizer
// model under the unit's feet. Run under ThreadSanitizer as well.
class TstControlUnitStress : public QObject
{
    Q_OBJECT

private slots:
    void recordsWhileTheGuiReadsResetsAndRebuilds()
    {
        constexpr int kRecords = 10000;
        MessageCatcher catcher;
        installTestAlarmConditions();
        ControlUnitSite site;
        site.element(1)->outputMappings = {mappingRecord(34, 0, 0x0001)};
        site.element(33)->inputMappings = {mappingRecord(2, 0, 0x1)};
        ControlUnit& unit = site.unit;
        QObject::disconnect(&site.client, nullptr, &unit, nullptr);
        // No socket, watchdog or retry takes the link down, however slow the machine.
        site.client.stopLink();
        site.client.dataValid = true;
        DrainMarker marker;
        QThread thread;
        thread.setObjectName(QStringLiteral("ControlUnitThread"));
        announceThreadEnd(&thread);
        unit.moveToThread(&thread);
        marker.moveToThread(&thread);
        unit.connectClient(&site.client, Qt::QueuedConnection);

        // The window's receivers: each checks that the node still exists.
        int beats = 0, ticks = 0, lines = 0, commands = 0, goneNodes = 0;
        connect(&unit, &ControlUnit::energHearbeat, this, [&](Node* row, bool) {
            SiteLocker lock;
            if (!Node::isAlive(row)) {
                ++goneNodes;
                return;
            }
            ++beats;
            row->evaluateEnergizerStatus();
            site.energizerModel.refreshNode(row);
        }, Qt::QueuedConnection);
        connect(&unit, &ControlUnit::energTick, this, [&](Node* element) {
            SiteLocker lock;
            if (Node::isAlive(element))
                ++ticks;
        }, Qt::QueuedConnection);
        connect(&unit, &ControlUnit::writeVoltageLog, this, [&](Node* row) {
            SiteLocker lock;
            if (Node::isAlive(row))
                row->energizerParam(EnergizerParam::FenceVoltage1);
        }, Qt::QueuedConnection);
        connect(&unit, &ControlUnit::writeAlarmLog, this, [&] { ++lines; }, Qt::QueuedConnection);
        connect(&unit, &ControlUnit::sendCmd, this, [&] { ++commands; }, Qt::QueuedConnection);
        QStringList refusals;
        connect(&unit, &ControlUnit::commandRefused, this, [&](QString, QString, QString why) { refusals << why; }, Qt::QueuedConnection);
        thread.start();

        Node* gatewayRow = site.gatewayRow;
        Node* gatewayElement = site.gatewayElement;
        auto hammer = [&](int i) {
            SiteLocker lock;
            const QModelIndex gatewayIndex = site.energizerModel.nodeIndex(gatewayRow);
            for (int r = 0; r < site.energizerModel.rowCount(gatewayIndex); r += 5) {
                for (int c : {0, 1, 2, 7, 8, 9}) {
                    const QModelIndex index = site.energizerModel.index(r, c, gatewayIndex);
                    site.energizerModel.data(index, Qt::DisplayRole);
                    site.energizerModel.data(index, Qt::BackgroundRole);
                }
            }
            if (Node* row = gatewayRow->child(i % 40))
                row->resetState();
            if (i % 1000 == 500) {
                site.energizerModel.takeNode(gatewayRow);
                site.energizerModel.insertNode(site.energizerModel.rootNode(), -1, gatewayRow);
            }
            if (i % 2500 == 2400) {
                // A project reopened: the gateway's nodes are deleted and made anew.
                site.energizerModel.clear();
                delete gatewayElement;
                gatewayRow = site.addGateway(ControlUnitSite::kAddress);
                gatewayElement = gatewayRow->deviceNode;
            }
        };

        for (int i = 0; i < kRecords; ++i) {
            const int n = 1 + i % 40;
            const quint8 phase = quint8(i / 40);
            QMetaObject::invokeMethod(&unit, "dataUpdate", Qt::QueuedConnection,
                                      Q_ARG(DeviceData, ControlUnitSite::block(n, {{4, quint8(phase & 0x03)},
                                                                                   {6, quint8(phase & 0x04)},
                                                                                   {12, quint8(phase & 0x08 ? 0x80 : 0)},
                                                                                   {13, quint8(phase & 0x01 ? 0x82 : 0)},
                                                                                   {20, 0x80}})),
                                      Q_ARG(int, n));
            if (i % 50 == 0) {
                hammer(i);
                QMetaObject::invokeMethod(&unit, "afterTimer", Qt::QueuedConnection);
                // As the window hands a command on: by handle, which a rebuild leaves empty.
                QMetaObject::invokeMethod(&unit, [&unit, row = NodeHandle(gatewayRow->child(i % 3))] { SiteLocker lock; unit.command(row.get(), ActivateEnerg, true); },
                                          Qt::QueuedConnection);
                QCoreApplication::processEvents();
            }
        }
        QMetaObject::invokeMethod(&marker, "mark", Qt::QueuedConnection);
        QDeadlineTimer deadline(120000);
        int i = 0;
        while (!marker.reached && !deadline.hasExpired()) {
            hammer(i++);
            QCoreApplication::processEvents();
        }
        QVERIFY(marker.reached);
        endThread(&thread);
        // At a quiet moment, its thread ended and no rebuild to come, the unit sends a command.
        unit.command(gatewayRow->child(0), ActivateEnerg, true);
        QCoreApplication::processEvents();

        QVERIFY(beats > 0);
        QVERIFY(ticks > 0);
        QVERIFY(lines > 0);
        QVERIFY(commands > 0);
        // Only a rebuild refuses a command here, and the refusal says so.
        QCOMPARE(refusals.count(QStringLiteral("its device no longer exists")), refusals.size());
        QVERIFY2(catcher.wiringFaults().isEmpty(), qPrintable(catcher.wiringFaults().join('\n')));
        qInfo() << "heartbeats" << beats << "ticks" << ticks << "lines" << lines << "commands" << commands
                << "gone" << goneNodes;
        setAlarmConditions({});
    }
};

QTEST_MAIN(TstControlUnitStress)
#include "tst_controlunitstress.moc"
