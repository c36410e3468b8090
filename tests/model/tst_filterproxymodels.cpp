#include "alarmstatesproxymodel.h"
#include "elementtreeproxymodel.h"
#include "node.h"
#include "sensorstatesproxymodel.h"
#include "shownrownames.h"
#include "textbounds.h"
#include "treemodel.h"
#include "ungroupproxymodel.h"

#include <QAbstractItemModelTester>
#include <QtTest>

#include <memory>

namespace {

Node* addNode(Node* parent, int type, const QStringList& values, bool enabled = true)
{
    auto* node = new Node(values.value(0), parent);
    node->type = type;
    node->columns.clear();
    for (const QString& value : values)
        node->columns.append(value);
    node->enabled = enabled;
    return node;
}

// A row of the energizer states model: name, status text, ..., workspace in column 10.
QStringList stateRow(const QString& name, const QString& status, const QString& workspace)
{
    QStringList values{name, status};
    while (values.size() < 10)
        values << QString();
    values << workspace << QStringLiteral("10.0.0.1");
    return values;
}

// A workspace caption the rows show cut; the filter names it whole.
const QString LongCaption = QStringLiteral("WS2") + QString(MaxShownNameLength, QLatin1Char('x'));

} // namespace

class TestFilterProxyModels : public QObject
{
    Q_OBJECT
private slots:
    void alarmStates_data();
    void alarmStates();
    void sensorStates_data();
    void sensorStates();
    void elementTree_data();
    void elementTree();
};

void TestFilterProxyModels::alarmStates_data()
{
    QTest::addColumn<bool>("flat");
    QTest::addColumn<bool>("showAll");
    QTest::addColumn<QString>("filterText");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("change");  // after filtering: "row column text", column -1 disabling the row

    QTest::newRow("flat, everything") << true << true << "" << QStringList{"r1", "r2", "r3", "r5"} << QString();
    QTest::newRow("flat, alarms only") << true << false << "" << QStringList{"r2", "r3", "r5"} << QString();
    QTest::newRow("flat, one workspace") << true << true << "WS1" << QStringList{"r1", "r2", "r3"} << QString();
    QTest::newRow("flat, alarms of one workspace") << true << false << LongCaption << QStringList{"r5"} << QString();
    QTest::newRow("flat, unknown workspace") << true << true << "WS9" << QStringList{} << QString();
    QTest::newRow("tree, everything") << false << true << "" << QStringList{"G1", "r1", "r2", "r3", "G2", "r5"} << QString();
    QTest::newRow("tree, one workspace") << false << true << "WS1" << QStringList{"G1", "r1", "r2", "r3"} << QString();
    QTest::newRow("tree, alarms only") << false << false << "" << QStringList{"G1", "r2", "r3", "G2", "r5"} << QString();
    QTest::newRow("tree, an alarm clears") << false << false << "" << QStringList{"G1", "r3", "G2", "r5"} << "r2 1 OK";
    QTest::newRow("flat, a row moves workspace") << true << true << "WS1" << QStringList{"r1", "r3"} << "r2 10 WS2";
    QTest::newRow("tree, a voltage moves") << false << false << "" << QStringList{"G1", "r2", "r3", "G2", "r5"} << "r1 3 5.1";
    QTest::newRow("flat, a row disabled") << true << true << "" << QStringList{"r1", "r3", "r5"} << "r2 -1";
}

void TestFilterProxyModels::alarmStates()
{
    QFETCH(bool, flat);
    QFETCH(bool, showAll);
    QFETCH(QString, filterText);
    QFETCH(QStringList, expected);
    QFETCH(QString, change);

    TreeModel model;
    auto* root = new Node;
    root->columns.clear();
    for (const char* header : {"Name", "Status", "Sector1", "Voltage1", "Sector2", "Voltage2", "Gate", "Duration",
                               "Attemts", "Last Try", "Workspace", "IP"})
        root->columns.append(QString::fromLatin1(header));
    model.setRootNode(root);
    Node* g1 = addNode(root, Node::MapElement, stateRow("G1", "", "WS1"));
    addNode(g1, Node::StatusRow, stateRow("r1", "OK", "WS1"));
    addNode(g1, Node::StatusRow, stateRow("r2", "Critical", "WS1"));
    addNode(g1, Node::StatusRow, stateRow("r3", "", "WS1"));
    addNode(g1, Node::StatusRow, stateRow("r4", "Critical", "WS1"), false);
    Node* g2 = addNode(root, Node::MapElement, stateRow("G2", "", LongCaption));
    addNode(g2, Node::StatusRow, stateRow("r5", "Warning", LongCaption));

    UngroupProxyModel table;
    table.setSourceModel(&model);
    AlarmStatesProxyModel proxy;
    QAbstractItemModelTester tester(&proxy, QAbstractItemModelTester::FailureReportingMode::QtTest);
    if (flat) {
        proxy.ungroupModel = &table;
        proxy.setSourceModel(&table);
    } else {
        proxy.setSourceModel(&model);
    }
    proxy.showAll = showAll;
    proxy.filterText = filterText;
    proxy.invalidateFilter();
    if (const QStringList parts = change.split(' '); !change.isEmpty()) {
        Node* node = model.findNode({}, 0, parts.at(0));
        node->enabled = parts.at(1) != "-1";
        QVERIFY(node->enabled ? node->setData(parts.at(1).toInt(), parts.value(2)) && model.refreshChanges(node)
                              : model.refreshNode(node));
    }
    QTRY_COMPARE_WITH_TIMEOUT(shownRowNames(proxy), expected, 5000);
}

void TestFilterProxyModels::sensorStates_data()
{
    QTest::addColumn<bool>("showAll");
    QTest::addColumn<QString>("filterText");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("everything") << true << "" << QStringList{"TW1", "s1", "s2", "TW2", "s3", "TWReady", "s4"};
    QTest::newRow("one workspace") << true << "A" << QStringList{"TW1", "s1", "s2"};
    QTest::newRow("not ready only") << false << "" << QStringList{"TW1", "s2", "TW2", "s3"};
}

void TestFilterProxyModels::sensorStates()
{
    QFETCH(bool, showAll);
    QFETCH(QString, filterText);
    QFETCH(QStringList, expected);

    TreeModel model;
    auto* root = new Node;
    root->columns = {QStringLiteral("Name"), QStringLiteral("Status"), QStringLiteral("Workplace"),
                     QStringLiteral("WorkplaceID")};
    model.setRootNode(root);
    auto sensor = [](Node* parent, const char* name, int state, bool enabled = true) {
        Node* node = addNode(parent, Node::TWSensor, {QString::fromLatin1(name), QString(), QString(), QString()}, enabled);
        node->columns[1] = state;
    };
    Node* tw1 = addNode(root, Node::TWSystem, {"TW1", "0", "A", "1"});
    sensor(tw1, "s1", 1);
    sensor(tw1, "s2", 2);
    sensor(tw1, "s9", 2, false);
    Node* tw2 = addNode(root, Node::TWSystem, {"TW2", "0", "B", "2"});
    sensor(tw2, "s3", 3);
    Node* ready = addNode(root, Node::TWSystem, {"TWReady", "1", "B", "2"});
    sensor(ready, "s4", 0);

    SensorStatesProxyModel proxy;
    proxy.setSourceModel(&model);
    proxy.showAll = showAll;
    proxy.filterText = filterText;
    proxy.invalidateFilter();
    QCOMPARE(shownRowNames(proxy), expected);
}

void TestFilterProxyModels::elementTree_data()
{
    QTest::addColumn<QString>("flags");
    QTest::addColumn<QString>("workplaceFilter");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("expected");

    // Depth first: workplace A with its items, a TW system under the root, workplace B.
    const QStringList all{"A", "stageA", "E1", "sector", "IO1", "line", "label", "TW", "sensor", "B", "stageB", "E2"};
    QTest::newRow("tree") << "" << "" << 0 << all;
    QTest::newRow("sensor and fence pickers") << "sensor fence" << "" << 0 << QStringList{"A", "TW", "sensor", "B"};
    QTest::newRow("fence picker") << "fence" << "" << 0 << QStringList{"A", "stageA", "E1", "sector", "line", "B", "stageB", "E2"};
    QTest::newRow("IO card picker") << "iocard" << "" << 0 << QStringList{"A", "stageA", "IO1", "B", "stageB"};
    QTest::newRow("energizer picker") << "energizer" << "" << 0 << QStringList{"A", "stageA", "E1", "B", "stageB", "E2"};
    QTest::newRow("button targets") << "button" << "" << 0 << QStringList{"A", "stageA", "E1", "IO1", "TW", "B", "stageB", "E2"};
    // The TW system under the root is not compared with the workplace name.
    QTest::newRow("one workplace") << "" << "A" << 0 << QStringList{"A", "stageA", "E1", "sector", "IO1", "line", "label", "TW", "sensor"};
    QTest::newRow("pickers ignore the workplace") << "energizer" << "A" << 0 << QStringList{"A", "stageA", "E1", "B", "stageB", "E2"};
    QTest::newRow("mode 1 hides TW systems") << "" << "" << 1 << QStringList{"A", "stageA", "E1", "sector", "IO1", "line", "label", "B", "stageB", "E2"};
    QTest::newRow("mode 2 hides map elements") << "" << "" << 2 << QStringList{"A", "line", "label", "TW", "sensor", "B"};
}

void TestFilterProxyModels::elementTree()
{
    QFETCH(QString, flags);
    QFETCH(QString, workplaceFilter);
    QFETCH(int, mode);
    QFETCH(QStringList, expected);

    TreeModel model;
    auto* root = new Node(QStringLiteral("Name"));
    model.setRootNode(root);
    Node* a = addNode(root, Node::Workplace, {"A"});
    Node* stageA = addNode(a, Node::MapElement, {"stageA"});
    Node* e1 = addNode(stageA, Node::Energizer, {"E1"});
    addNode(e1, Node::FenceSector, {"sector"});
    addNode(e1, Node::Energizer, {"disabled"}, false);
    addNode(stageA, Node::IOCard, {"IO1"});
    addNode(a, Node::FenceLine, {"line"});
    addNode(a, Node::TextLabel, {"label"});
    Node* tw = addNode(root, Node::TWSystem, {"TW"});
    addNode(tw, Node::TWSensor, {"sensor"});
    Node* b = addNode(root, Node::Workplace, {"B"});
    Node* stageB = addNode(b, Node::MapElement, {"stageB"});
    addNode(stageB, Node::Energizer, {"E2"});

    ElementTreeProxyModel proxy;
    proxy.setSourceModel(&model);
    proxy.selectSensor = flags.contains(QLatin1String("sensor"));
    proxy.selectFence = flags.contains(QLatin1String("fence"));
    proxy.selectIOCard = flags.contains(QLatin1String("iocard"));
    proxy.selectEnergizer = flags.contains(QLatin1String("energizer"));
    proxy.buttonTargets = flags.contains(QLatin1String("button"));
    proxy.setWorkplaceFilter(workplaceFilter);
    proxy.workplaceMode = mode;
    proxy.invalidate();

    QCOMPARE(shownRowNames(proxy), expected);
}

QTEST_MAIN(TestFilterProxyModels)
#include "tst_filterproxymodels.moc"
