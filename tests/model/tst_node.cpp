#include "alarmcondition.h"
#include "node.h"
#include "sitemutex.h"

#include <QtTest>

#include <atomic>
#include <random>
#include <thread>

// Conditions keyed as the settings ship them: each test installs its own.
static AlarmCondition condition(int key, int status, const QColor& color, int part = AlarmCondition::EnergizerPart,
                                bool active = true)
{
    AlarmCondition c;
    c.AlarmPart = part;
    c.EnergParam = key;
    c.AlarmStatus = status;
    c.Active = active;
    c.AlarmColor = color;
    return c;
}

class TestNode : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void construction();
    void childAndColumnBounds();
    void numbering();
    void sortChildren();
    void insertInto();
    void setParentRefusesCycles();
    void removeChildDeletes();
    void destructionUnlinks();
    void resetState();
    void copyNeverOwnsChildren();
    void clone();
    void accessors();
    void conditionLookups();
    void energizerNeverUpdated();
    void energizerZonesOn();
    void energizerZonesOff();
    void energizerCommsFail();
    void energizerEqualStatusKeepsFirstColour();
    void energizerFailureColour();
    void sectorAndGate();
    void evaluationsFollowEveryByteTheyRead();
    void ioCard();
    void sensorStates_data();
    void sensorStates();
    void changeDetection();
    void metaTypes();
    void concurrentUpdateAndEvaluation();
};

namespace {
const QColor kResetColor(1, 1, 1);
const QColor kNoAlarmColor(2, 2, 2);

Node* energizer(Node* parent = nullptr)
{
    auto* node = new Node(QStringLiteral("E"), parent);
    node->type = Node::StatusRow;
    node->columns.resize(12);
    node->updated = true;
    return node;
}

void setBit(Node* node, int byte, int bit)
{
    node->record[byte] |= quint8(1 << bit);
}

void setZonesOn(Node* node)
{
    setBit(node, 13, 7);
    setBit(node, 20, 7);
}
} // namespace

void TestNode::init()
{
    setAlarmConditions({condition(7, 3, kResetColor), condition(53, 0, kNoAlarmColor)});
}

void TestNode::cleanup()
{
    setAlarmConditions({});
}

void TestNode::construction()
{
    Node parent(QStringLiteral("P"));
    auto* child = new Node(QStringLiteral("C"), &parent);
    QCOMPARE(parent.childCount(), 1);
    QCOMPARE(child->parent(), &parent);
    QCOMPARE(child->name, QStringLiteral("C"));
    QCOMPARE(child->columnCount(), 1);
    QCOMPARE(child->data(0), QVariant(QStringLiteral("C")));
    QVERIFY(child->enabled);
    QVERIFY(!child->updated);
    QVERIFY(!child->deviceNode);
    QVERIFY(!child->mapItem);
    QCOMPARE(child->type, 0);
    QCOMPARE(child->color[Node::MainColor], kResetColor);
}

void TestNode::childAndColumnBounds()
{
    Node node(QStringLiteral("N"));
    new Node(QStringLiteral("a"), &node);
    QVERIFY(!node.child(-1));
    QVERIFY(!node.child(node.childCount()));
    QVERIFY(node.child(0));
    QVERIFY(!node.setData(node.columnCount(), 5));
    QVERIFY(!node.setData(-1, 5));
    QVERIFY(!node.data(1).isValid());
    QVERIFY(!node.data(-1).isValid());
    QVERIFY(node.setData(0, QStringLiteral("renamed")));
    QCOMPARE(node.name, QStringLiteral("renamed"));
    QCOMPARE(node.status(), 0);  // too few columns
}

void TestNode::numbering()
{
    Node gateway(QStringLiteral("G"));
    Node* first = energizer(&gateway);
    Node* second = energizer(&gateway);
    QCOMPARE(first->number(), 1);
    QCOMPARE(second->number(), 2);
    QCOMPARE(second->childNumber(), 1);
    QCOMPARE(gateway.number(), 0);
    QCOMPARE(gateway.childNumber(), 0);
    second->type = Node::MapElement;
    QCOMPARE(second->number(), 0);
}

void TestNode::sortChildren()
{
    Node parent(QStringLiteral("P"));
    for (int type : {10, 15, 16, 0, 8}) {
        auto* child = new Node(QString::number(type), &parent);
        child->type = type;
    }
    parent.sortChildren();
    QList<int> types;
    for (Node* child : qAsConst(parent.children))
        types << child->type;
    // Type 15 ranks as 0 and comes last with the workplaces.
    QCOMPARE(types.mid(0, 3), (QList<int>{16, 10, 8}));
    QVERIFY(types.mid(3) == (QList<int>{15, 0}) || types.mid(3) == (QList<int>{0, 15}));
}

void TestNode::insertInto()
{
    Node parent(QStringLiteral("P"));
    Node other(QStringLiteral("O"));
    Node* a = new Node(QStringLiteral("a"), &parent);
    Node* b = new Node(QStringLiteral("b"), &parent);
    Node* c = new Node(QStringLiteral("c"), &parent);

    QVERIFY(!a->insertInto(&parent, 0));   // already there
    QVERIFY(!a->insertInto(&parent, -1));  // -1 is the first place within a parent
    QVERIFY(!a->insertInto(nullptr, 0));
    QVERIFY(c->insertInto(&parent, -1));
    QCOMPARE(parent.children, (QList<Node*>{c, a, b}));
    QVERIFY(c->insertInto(&parent, 2));
    QCOMPARE(parent.children, (QList<Node*>{a, b, c}));

    QVERIFY(b->insertInto(&other, 99));  // past the end appends
    QCOMPARE(b->parent(), &other);
    QCOMPARE(parent.children, (QList<Node*>{a, c}));
    QVERIFY(a->insertInto(&other, 0));
    QCOMPARE(other.children, (QList<Node*>{a, b}));
    QVERIFY(c->insertInto(&other, -1));
    QCOMPARE(other.children, (QList<Node*>{a, b, c}));
    QCOMPARE(parent.childCount(), 0);

    // Never under itself or its own subtree.
    Node* grandChild = new Node(QStringLiteral("g"), a);
    QVERIFY(!a->insertInto(a, 0));
    QVERIFY(!a->insertInto(grandChild, 0));
    QCOMPARE(a->parent(), &other);
}

void TestNode::setParentRefusesCycles()
{
    Node root(QStringLiteral("R"));
    Node* a = new Node(QStringLiteral("a"), &root);
    Node* b = new Node(QStringLiteral("b"), a);
    a->setParent(b);
    QCOMPARE(a->parent(), &root);
    QCOMPARE(root.children, QList<Node*>{a});

    b->setParent(&root);
    QCOMPARE(root.children, (QList<Node*>{a, b}));
    QCOMPARE(a->childCount(), 0);
    b->setParent(&root);  // no effect
    QCOMPARE(root.childCount(), 2);
    b->setParent(nullptr);
    QVERIFY(!b->parent());
    QCOMPARE(root.childCount(), 1);
    delete b;
}

void TestNode::removeChildDeletes()
{
    Node root(QStringLiteral("R"));
    Node* a = new Node(QStringLiteral("a"), &root);
    Node* deep = new Node(QStringLiteral("deep"), a);
    QVERIFY(!root.removeChild(1));
    QVERIFY(!root.removeChild(-1));
    QVERIFY(root.removeChild(0));
    QCOMPARE(root.childCount(), 0);
    QVERIFY(!Node::isAlive(a));
    QVERIFY(!Node::isAlive(deep));
}

void TestNode::destructionUnlinks()
{
    Node root(QStringLiteral("R"));
    Node* row = new Node(QStringLiteral("row"), &root);
    Node device(QStringLiteral("device"));
    row->deviceNode = &device;
    device.deviceNode = row;
    delete row;  // still listed by its parent
    QCOMPARE(root.childCount(), 0);
    QVERIFY(!device.deviceNode);
}

void TestNode::resetState()
{
    Node node(QStringLiteral("N"));
    node.columns.resize(14);
    for (int column = 0; column < 14; ++column)
        node.columns[column] = QStringLiteral("v");
    node.record.fill(0xAA);
    node.previousRecord.fill(0x55);
    node.outputArea.fill(0x11);
    node.updated = true;
    node.color.fill(Qt::red);

    node.resetState();
    for (int column = 0; column < 14; ++column) {
        const bool status = column == 1 || column == 2 || column == 4 || column == 13;
        QCOMPARE(node.data(column), status ? QVariant(3) : QVariant(QStringLiteral("v")));
    }
    QCOMPARE(node.record, StatusRecord{});
    QCOMPARE(node.outputArea, OutputArea{});
    QCOMPARE(node.previousRecord[31], quint8(0x55));
    QVERIFY(!node.updated);
    for (const QColor& color : node.color)
        QCOMPARE(color, kResetColor);

    // A short node gets only the columns it has.
    Node shortNode(QStringLiteral("S"));
    shortNode.columns.resize(3);
    shortNode.resetState();
    QCOMPARE(shortNode.columnCount(), 3);
    QCOMPARE(shortNode.status(), 3);
    QCOMPARE(shortNode.sector1Status(), 3);
}

void TestNode::copyNeverOwnsChildren()
{
    Node original(QStringLiteral("O"));
    Node* child = new Node(QStringLiteral("c"), &original);
    Node* grandChild = new Node(QStringLiteral("g"), child);
    {
        Node copy(original);
        QCOMPARE(copy.childCount(), 1);
        QCOMPARE(copy.name, QStringLiteral("O"));
    }
    {
        const QVariant value = QVariant::fromValue(*child);
        QCOMPARE(value.value<Node>().name, QStringLiteral("c"));
    }
    QVERIFY(Node::isAlive(child));
    QVERIFY(Node::isAlive(grandChild));
    QCOMPARE(original.childCount(), 1);
    QCOMPARE(child->childCount(), 1);
    QCOMPARE(child->parent(), &original);
    QCOMPARE(grandChild->name, QStringLiteral("g"));
}

void TestNode::clone()
{
    Node source(QStringLiteral("S"));
    source.type = Node::Energizer;
    source.columns.resize(3);
    source.columns[2] = 42;
    source.enabled = false;
    source.record[4] = 9;
    source.outputArea[3] = 7;
    source.flagText = QStringLiteral("Panic");
    source.updated = true;
    source.color.fill(Qt::red);
    Node partner(QStringLiteral("P"));
    source.deviceNode = &partner;
    source.outputMappings.append(MappingRecord{});
    auto* child = new Node(QStringLiteral("c"), &source);
    child->type = Node::FenceSector;
    new Node(QStringLiteral("g"), child);

    Node target(QStringLiteral("T"));
    new Node(QStringLiteral("first"), &target);
    Node* copy = source.clone(&target);
    QCOMPARE(target.child(1), copy);
    QCOMPARE(copy->parent(), &target);
    QCOMPARE(copy->name, QStringLiteral("S"));
    QCOMPARE(copy->type, int(Node::Energizer));
    QCOMPARE(copy->data(2), QVariant(42));
    QVERIFY(!copy->enabled);
    QCOMPARE(copy->record[4], quint8(9));
    QCOMPARE(copy->outputArea[3], quint8(7));
    QVERIFY(copy->flagText.isEmpty());
    QVERIFY(!copy->updated);
    QVERIFY(!copy->deviceNode);
    QVERIFY(copy->outputMappings.isEmpty());
    QCOMPARE(copy->color[Node::GateColor], kResetColor);
    QCOMPARE(copy->childCount(), 1);
    QVERIFY(copy->child(0) != child);
    QCOMPARE(copy->child(0)->type, int(Node::FenceSector));
    QCOMPARE(copy->child(0)->child(0)->name, QStringLiteral("g"));
    QCOMPARE(source.childCount(), 1);
}

void TestNode::accessors()
{
    Node node(QStringLiteral("N"));
    node.outputArea[3] = 0x82;  // relays 2 and 8, zone 2 high voltage
    node.outputArea[4] = 0x01;  // zone 1 on
    QCOMPARE(node.ioFlag(16), QVariant(0));
    QCOMPARE(node.ioFlag(17), QVariant(1));
    QCOMPARE(node.ioFlag(20), QVariant(1));
    QCOMPARE(node.ioFlag(21), QVariant(0));
    QVERIFY(!node.ioFlag(18).isValid());
    QCOMPARE(node.relayBit(2), QVariant(1));
    QCOMPARE(node.relayBit(8), QVariant(1));
    QCOMPARE(node.relayBit(1), QVariant(0));
    QVERIFY(!node.relayBit(0).isValid());
    QVERIFY(!node.relayBit(9).isValid());
    node.record[9] = 0x08;
    QCOMPARE(node.energizerParam(6).toDouble(), 1.0);
    node.record[30] = 1;
    QCOMPARE(node.ioCardParam(17), QVariant(1));
}

void TestNode::conditionLookups()
{
    setAlarmConditions({
        condition(20, 9, Qt::black, AlarmCondition::EnergizerPart, false),  // inactive: skipped
        condition(20, 2, Qt::red, AlarmCondition::SensorPart),             // other part
        condition(20, 1, Qt::yellow),
        condition(20, 4, Qt::blue),                                        // later match: ignored
        condition(2, 2, Qt::magenta, AlarmCondition::SensorPart),
    });
    QCOMPARE(alarmConditionStatus(20), 1);
    QCOMPARE(alarmConditionColor(20), QColor(Qt::yellow));
    QCOMPARE(sensorConditionStatus(20), 2);
    QCOMPARE(alarmConditionStatus(21), 0);
    QCOMPARE(alarmConditionColor(21), QColor(Qt::gray));
    QCOMPARE(sensorConditionColor(5), QColor(Qt::green));
    QCOMPARE(sensorConditionColor(2), QColor(Qt::magenta));
    // Keys past the indexed ones, and a list replaced by none.
    setAlarmConditions({condition(100, 2, Qt::red), condition(20, 3, Qt::blue)});
    QCOMPARE(alarmConditionStatus(100), 2);
    QCOMPARE(alarmConditionStatus(20), 3);
    setAlarmConditions({});
    QCOMPARE(alarmConditionStatus(20), 0);
    QCOMPARE(alarmConditionColor(20), QColor(Qt::gray));

    QCOMPARE(alarmStatusText(3), QStringLiteral("Failure"));
    QCOMPARE(alarmStatusText(7), QStringLiteral("Off"));
    QCOMPARE(alarmStatusText(5), QStringLiteral("OK"));
    QCOMPARE(alarmStatusText(-1), QStringLiteral("OK"));
}

void TestNode::energizerNeverUpdated()
{
    std::unique_ptr<Node> node(energizer());
    node->updated = false;
    setBit(node.get(), 6, 2);  // panic, ignored until a record arrived
    node->flagText = QStringLiteral("stale");
    QCOMPARE(node->evaluateEnergizerStatus(), int(Node::Off));
    QCOMPARE(node->color[Node::MainColor], QColor(85, 255, 255, 255));
    QVERIFY(node->flagText.isEmpty());
}

void TestNode::energizerZonesOn()
{
    std::unique_ptr<Node> node(energizer());
    node->columns[1] = 0;
    setZonesOn(node.get());
    QCOMPARE(node->evaluateEnergizerStatus(), 0);
    QCOMPARE(node->flagText, QStringLiteral("Fence1On, Fence2On"));
    QCOMPARE(node->color[Node::MainColor], kNoAlarmColor);

    // With a flag the text lists the flags; the highest status counts.
    setAlarmConditions({condition(10, 2, Qt::red), condition(17, 1, Qt::yellow)});
    setBit(node.get(), 6, 2);   // panic
    node->record[20] |= 0x01;   // zone 2 low voltage code 1
    QCOMPARE(node->evaluateEnergizerStatus(), 2);
    QCOMPARE(node->flagText, QStringLiteral("Panic, Fence2Lo"));
    QCOMPARE(node->color[Node::MainColor], QColor(Qt::red));
}

void TestNode::energizerZonesOff()
{
    setAlarmConditions({condition(20, 1, Qt::darkGray), condition(12, 2, Qt::red), condition(8, 0, Qt::cyan)});
    std::unique_ptr<Node> node(energizer());
    node->columns[1] = 0;
    setBit(node.get(), 5, 0);  // gate alarm, status 2
    node->record[12] = 0x30;   // fence 1 state bad
    QCOMPARE(node->evaluateEnergizerStatus(), 1);  // the zone-off condition, whatever else is set
    QCOMPARE(node->flagText, QStringLiteral("FenceSt1-Bad, GateAlarm, Fence1Off, Fence2Off"));
    QCOMPARE(node->color[Node::MainColor], QColor(Qt::red));

    setBit(node.get(), 4, 2);  // tamper
    QCOMPARE(node->evaluateEnergizerStatus(), int(Node::Tamper));
    QCOMPARE(node->color[Node::MainColor], QColor(Qt::cyan));
    QVERIFY(node->flagText.startsWith(QStringLiteral("Tamper, ")));
}

void TestNode::energizerCommsFail()
{
    setAlarmConditions({condition(7, 1, kResetColor), condition(36, 3, Qt::magenta), condition(10, 2, Qt::red)});
    std::unique_ptr<Node> node(energizer());
    setZonesOn(node.get());
    setBit(node.get(), 5, 5);  // comms fail
    setBit(node.get(), 6, 2);  // panic, status 2 < 3
    setBit(node.get(), 8, 4);  // sync loss, after comms fail: never reached
    QCOMPARE(node->evaluateEnergizerStatus(), int(Node::Failure));
    QCOMPARE(node->flagText, QStringLiteral("Panic, CommsFail"));
    for (int i : {0, 1, 2, 3})
        QCOMPARE(node->color[i], QColor(Qt::magenta));
    QCOMPARE(node->color[Node::IOCardColor], kResetColor);
    // The same record evaluated again writes all of it again.
    node->color.fill(Qt::white);
    node->flagText = QStringLiteral("OK");
    QCOMPARE(node->evaluateEnergizerStatus(), int(Node::Failure));
    QCOMPARE(node->flagText, QStringLiteral("Panic, CommsFail"));
    for (int i : {0, 1, 2, 3})
        QCOMPARE(node->color[i], QColor(Qt::magenta));

    // Not above the earlier flags: listed, and the evaluation goes on.
    setAlarmConditions({condition(36, 2, Qt::magenta), condition(10, 2, Qt::red)});
    node->color.fill(Qt::white);
    QCOMPARE(node->evaluateEnergizerStatus(), 2);
    QCOMPARE(node->flagText, QStringLiteral("Panic, CommsFail, SyncLoss"));
    QCOMPARE(node->color[Node::MainColor], QColor(Qt::red));
    QCOMPARE(node->color[Node::Sector1Color], QColor(Qt::white));
}

void TestNode::energizerEqualStatusKeepsFirstColour()
{
    setAlarmConditions({condition(4, 2, Qt::blue), condition(7, 2, Qt::green)});
    std::unique_ptr<Node> node(energizer());
    setZonesOn(node.get());
    setBit(node.get(), 8, 7);  // service
    setBit(node.get(), 4, 0);  // mains fail
    QCOMPARE(node->evaluateEnergizerStatus(), 2);
    QCOMPARE(node->color[Node::MainColor], QColor(Qt::blue));
    QCOMPARE(node->flagText, QStringLiteral("Service, MainsFail"));
}

void TestNode::energizerFailureColour()
{
    std::unique_ptr<Node> node(energizer());
    node->columns[1] = 3;
    setZonesOn(node.get());
    QCOMPARE(node->evaluateEnergizerStatus(), 0);
    QCOMPARE(node->color[Node::MainColor], kResetColor);
    node->columns[1] = 0;
    QCOMPARE(node->evaluateEnergizerStatus(), 0);
    QCOMPARE(node->color[Node::MainColor], kNoAlarmColor);
}

void TestNode::sectorAndGate()
{
    setAlarmConditions({condition(53, 0, kNoAlarmColor), condition(20, 7, Qt::darkGray), condition(22, 2, Qt::red),
                        condition(24, 3, Qt::magenta), condition(17, 1, Qt::yellow), condition(12, 1, Qt::blue),
                        condition(13, 2, Qt::cyan)});
    std::unique_ptr<Node> node(energizer());
    QCOMPARE(node->evaluateSector1Status(), int(Node::Off));
    QCOMPARE(node->color[Node::Sector1Color], QColor(Qt::darkGray));

    setZonesOn(node.get());
    QCOMPARE(node->evaluateSector1Status(), 0);
    QCOMPARE(node->color[Node::Sector1Color], kNoAlarmColor);
    setBit(node.get(), 12, 7);  // fence alarm 1
    QCOMPARE(node->evaluateSector1Status(), 2);
    QCOMPARE(node->color[Node::Sector1Color], QColor(Qt::red));
    setBit(node.get(), 12, 6);  // sector alarm 1, higher
    QCOMPARE(node->evaluateSector1Status(), 3);
    QCOMPARE(node->color[Node::Sector1Color], QColor(Qt::magenta));

    node->record[20] |= 0x01;  // zone 2 low voltage
    QCOMPARE(node->evaluateSector2Status(), 1);
    QCOMPARE(node->color[Node::Sector2Color], QColor(Qt::yellow));

    QCOMPARE(node->evaluateGateStatus(), 0);
    QCOMPARE(node->color[Node::GateColor], kNoAlarmColor);
    setBit(node.get(), 5, 0);  // gate alarm
    QCOMPARE(node->evaluateGateStatus(), 1);
    QCOMPARE(node->color[Node::GateColor], QColor(Qt::blue));
    setBit(node.get(), 5, 4);  // gate open, higher
    QCOMPARE(node->evaluateGateStatus(), 2);
    QCOMPARE(node->color[Node::GateColor], QColor(Qt::cyan));
    node->color.fill(Qt::white);
    QCOMPARE(node->evaluateSector1Status(), 3);
    QCOMPARE(node->evaluateGateStatus(), 2);
    QCOMPARE(node->color[Node::Sector1Color], QColor(Qt::magenta));
    QCOMPARE(node->color[Node::GateColor], QColor(Qt::cyan));
    setAlarmConditions({condition(53, 0, kNoAlarmColor), condition(12, 1, Qt::blue), condition(13, 3, Qt::green)});
    QCOMPARE(node->evaluateGateStatus(), 3);  // kept results hold under their conditions only
    QCOMPARE(node->color[Node::GateColor], QColor(Qt::green));
}

// After any byte of its record changed, a row evaluated again reads as a fresh row.
void TestNode::evaluationsFollowEveryByteTheyRead()
{
    AlarmConditionList conditions;
    for (int key = 1; key <= 53; ++key)
        conditions.append(condition(key, key % 5, QColor::fromHsv(key * 6, 200, 200)));
    setAlarmConditions(conditions);
    std::mt19937 random(7);
    const std::unique_ptr<Node> kept(energizer());
    const auto evaluate = [](Node& node) {
        QVariantList seen{node.evaluateSector1Status(), node.evaluateSector2Status(), node.evaluateGateStatus(),
                          node.evaluateEnergizerStatus(), node.flagText};
        std::copy(node.color.begin(), node.color.end(), std::back_inserter(seen));
        return seen;
    };
    // Every other round the tick's way: the four under one hold.
    const auto tick = [](Node& node) {
        const Node::TickStatuses statuses = node.evaluateTickStatuses(3);
        QVariantList seen{statuses.parts[0], statuses.parts[1], statuses.parts[2], statuses.device, node.flagText};
        std::copy(node.color.begin(), node.color.end(), std::back_inserter(seen));
        return seen;
    };
    for (int round = 0; round < 4000; ++round) {
        kept->record[random() % kStatusRecordSize] = quint8(random());
        std::unique_ptr<Node> fresh(energizer());
        fresh->record = kept->record;
        QCOMPARE(round % 2 ? tick(*kept) : evaluate(*kept), evaluate(*fresh));
    }
}

void TestNode::ioCard()
{
    setAlarmConditions({condition(53, 0, kNoAlarmColor), condition(36, 3, Qt::magenta)});
    std::unique_ptr<Node> node(energizer());
    node->record[30] = 0x01;
    QCOMPARE(node->evaluateIOCardStatus(), int(Node::Failure));
    QCOMPARE(node->flagText, QStringLiteral("CommsFail"));
    QCOMPARE(node->color[Node::IOCardColor], QColor(Qt::magenta));
    node->record[30] = 0xFE;
    QCOMPARE(node->evaluateIOCardStatus(), 0);
    QCOMPARE(node->flagText, QStringLiteral("OK"));
    QCOMPARE(node->color[Node::IOCardColor], kNoAlarmColor);
    // The tick's energizer read of the card's record (its inputs as fence
    // flags) leaves the card's own flag text.
    Node element(QStringLiteral("C"));
    element.type = Node::IOCard;
    node->deviceNode = &element;
    node->evaluateEnergizerStatus();
    node->evaluateTickStatuses(0);
    QCOMPARE(node->flagText, QStringLiteral("OK"));
}

void TestNode::sensorStates_data()
{
    QTest::addColumn<int>("byte1");
    QTest::addColumn<int>("stateClass");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QColor>("color");
    QTest::addColumn<int>("status");
    QTest::newRow("ready") << 0xFF << 1 << "Ready" << kNoAlarmColor << 0;
    QTest::newRow("15 and 0 inactive") << 0xF0 << 0 << "Inactive" << QColor(Qt::gray) << 4;
    QTest::newRow("alarm") << 0x0D << 2 << "Alarm" << QColor(Qt::red) << 2;
    QTest::newRow("alarm 14") << 0xE0 << 2 << "Alarm" << QColor(Qt::red) << 2;
    QTest::newRow("maintenance") << 0x07 << 3 << "Maintenance" << QColor(Qt::green) << 0;
    QTest::newRow("maintenance 11") << 0xB0 << 3 << "Maintenance" << QColor(Qt::green) << 0;
}

void TestNode::sensorStates()
{
    QFETCH(int, byte1);
    QFETCH(int, stateClass);
    QFETCH(QString, text);
    QFETCH(QColor, color);
    QFETCH(int, status);
    setAlarmConditions({condition(53, 0, kNoAlarmColor), condition(0, 4, Qt::gray, AlarmCondition::SensorPart),
                        condition(2, 2, Qt::red, AlarmCondition::SensorPart)});
    Node sensor(QStringLiteral("S"));
    sensor.record[1] = quint8(byte1);
    QCOMPARE(sensor.sensorStateClass(), stateClass);
    const SensorStateInfo info = sensorStateInfo(stateClass);
    QCOMPARE(info.text, text);
    QCOMPARE(info.color, color);
    QCOMPARE(info.status, status);
}

void TestNode::changeDetection()
{
    StatusRecord before{};
    StatusRecord after{};
    after[4] = 0x04;  // IO input 3
    QVERIFY(ioCardInputChanged(before, after, 2));
    QVERIFY(!ioCardInputChanged(before, after, 1));
    QVERIFY(ioCardInputChanged(before, after, -1));
    QVERIFY(!ioCardInputChanged(before, after, 8));
    QVERIFY(!ioCardInputChanged(before, before, -1));

    StatusRecord energizerAfter{};
    energizerAfter[5] = 0x20;  // comms fail
    QVERIFY(energizerParamChanged(before, energizerAfter, 36));
    QVERIFY(energizerParamChanged(before, energizerAfter, 0));
    QVERIFY(!energizerParamChanged(before, energizerAfter, 10));
    StatusRecord stateBad{};
    stateBad[12] = 0x30;
    QVERIFY(energizerParamChanged(before, stateBad, 26));
    StatusRecord unrelated{};
    unrelated[5] = 0x04;  // param 2: not among the alarm-relevant ones
    QVERIFY(!energizerParamChanged(before, unrelated, 0));
    QVERIFY(energizerParamChanged(before, unrelated, 2));
}

void TestNode::metaTypes()
{
    QVERIFY(QMetaType::type("Node*") != QMetaType::UnknownType);
    QVERIFY(QMetaType::type("Node") != QMetaType::UnknownType);
    QCOMPARE(QMetaType::type("Node*"), qMetaTypeId<Node*>());
}

// A unit thread writes records under the site mutex while this thread
// evaluates; run under ThreadSanitizer this catches unguarded access.
void TestNode::concurrentUpdateAndEvaluation()
{
    setAlarmConditions({condition(10, 2, Qt::red), condition(36, 3, Qt::magenta)});
    std::unique_ptr<Node> node(energizer());
    std::atomic<bool> stop{false};
    std::thread unit([&] {
        quint8 value = 0;
        while (!stop.load()) {
            SiteLocker lock;
            node->previousRecord = node->record;
            node->record.fill(value++);
            node->updated = true;
        }
    });
    std::thread conditions([&] {
        for (int i = 0; i < 200; ++i)
            setAlarmConditions({condition(10, i % 3, Qt::red)});
    });
    int evaluations = 0;
    for (; evaluations < 2000; ++evaluations) {
        const int status = node->evaluateEnergizerStatus();
        QVERIFY(status >= 0 && status <= 7);
        node->evaluateIOCardStatus();
        QVERIFY(Node::isAlive(node.get()));
    }
    conditions.join();
    stop = true;
    unit.join();
    QCOMPARE(evaluations, 2000);
}

QTEST_GUILESS_MAIN(TestNode)
#include "tst_node.moc"
