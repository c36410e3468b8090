#include "alarmcondition.h"
#include "messagecatcher.h"
#include "node.h"
#include "resources.h"
#include "sitemutex.h"
#include "treemodel.h"

#include <QAbstractItemModelTester>
#include <QMimeData>
#include <QSignalSpy>
#include <QtTest>

#include <atomic>
#include <memory>
#include <thread>

namespace {

const QStringList kEnergizerHeaders = {"Name",     "Status",  "Sector1",  "Voltage1",  "Sector2", "Voltage2",
                                       "Gate",     "Duration", "Attemts", "Last Try", "Workspace", "IP"};

Node* makeRoot(const QStringList& headers)
{
    auto* root = new Node(headers.first());
    root->columns = QVector<QVariant>(headers.begin(), headers.end());
    return root;
}

Node* makeNode(const QString& name, Node* parent, int type, int columns = 1)
{
    auto* node = new Node(name, parent);
    node->type = type;
    node->columns.resize(columns);
    return node;
}

// A status row of the energizer model paired both ways with its device node.
Node* statusRow(Node* gateway, Node* device, int status)
{
    Node* row = makeNode(device->name, gateway, Node::StatusRow, kEnergizerHeaders.size());
    row->columns[0] = device->name;
    row->columns[1] = status;
    row->deviceNode = device;
    device->deviceNode = row;
    return row;
}

QByteArray payloadOf(const QMimeData* data)
{
    return qUncompress(data->data(TreeModel::kMimeType));
}

std::unique_ptr<QMimeData> payload(quint64 model, const QList<quint64>& nodes)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream << model;
    for (quint64 node : nodes)
        stream << node;
    auto data = std::make_unique<QMimeData>();
    data->setData(TreeModel::kMimeType, qCompress(bytes, 9));
    return data;
}

quint64 idOf(const void* pointer)
{
    return quint64(quintptr(pointer));
}

QStringList childNames(const Node* node)
{
    QStringList names;
    for (const Node* child : node->children)
        names << child->name;
    return names;
}

} // namespace

class TestTreeModel : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void energizerRowTexts();
    void energizerRowColours();
    void ioCardRow();
    void unpairedRowShowsRawValues();
    void tooltips();
    void icons();
    void sensorRow();
    void setDataAndRefresh();
    void refreshAnnouncesWhatChanged_data();
    void refreshAnnouncesWhatChanged();
    void headersAndFlags();
    void insertRows();
    void removeRows();
    void moveNode();
    void insertAndTakeNode();
    void clearKeepsRootAndUnlinks();
    void modelTesterOverOperations();
    void dragPayload();
    void dropRules();
    void crossModelDrops();
    void forgedPayloads();
    void lookupsWhileAUnitWrites();

private:
    std::unique_ptr<TreeModel> m_energizers;
    std::unique_ptr<Node> m_devices;  // the element-tree side of the pairs
    Node* m_gateway = nullptr;
};

void TestTreeModel::initTestCase()
{
    initLumetraResources();
}

void TestTreeModel::init()
{
    setAlarmConditions({});
    m_energizers = std::make_unique<TreeModel>();
    m_energizers->setRootNode(makeRoot(kEnergizerHeaders));
    m_gateway = makeNode(QStringLiteral("KX4"), m_energizers->rootNode(), Node::MapElement, kEnergizerHeaders.size());
    m_devices = std::make_unique<Node>(QStringLiteral("devices"));
}

void TestTreeModel::cleanup()
{
    m_energizers.reset();
    m_devices.reset();
    setAlarmConditions({});
}

void TestTreeModel::energizerRowTexts()
{
    Node* row = statusRow(m_gateway, makeNode("E1", m_devices.get(), Node::Energizer), Node::Failure);
    row->columns[2] = 2;
    row->columns[4] = 1;
    row->record[13] = 0x80;  // zone 1 on
    row->record[20] = 0x80;  // zone 2 on
    row->record[5] = 0x10;   // gate open
    row->record[17] = 0x10;  // return voltage 1: 2000
    row->record[24] = 0x01;  // return voltage 2: 125
    const QModelIndex first = m_energizers->nodeIndex(row);
    const auto text = [&](int column) { return first.siblingAtColumn(column).data(Qt::DisplayRole); };

    // A device in failure shows it whatever its fence and gate say.
    for (int column : {1, 2, 4, 6})
        QCOMPARE(text(column), QVariant(QStringLiteral("Failure")));
    QCOMPARE(text(3), QVariant(2000));
    QCOMPARE(text(5), QVariant(125));

    row->columns[1] = 0;
    QCOMPARE(text(1), QVariant(QStringLiteral("OK")));
    QCOMPARE(text(2), QVariant(QStringLiteral("Critical")));
    QCOMPARE(text(4), QVariant(QStringLiteral("Warning")));
    QCOMPARE(text(6), QVariant(QStringLiteral("Open")));
    row->record[13] = 0;
    row->record[5] = 0;
    QCOMPARE(text(2), QVariant(QStringLiteral("Off")));
    QCOMPARE(text(6), QVariant(QStringLiteral("Closed")));
    row->columns[7] = QStringLiteral("00:01:02");
    QCOMPARE(text(7), QVariant(QStringLiteral("00:01:02")));
    QCOMPARE(first.siblingAtColumn(3).data(Qt::EditRole), QVariant());
}

void TestTreeModel::energizerRowColours()
{
    Node* row = statusRow(m_gateway, makeNode("E1", m_devices.get(), Node::Energizer), 0);
    row->color = {QColor(Qt::red), QColor(Qt::green), QColor(Qt::blue), QColor(Qt::yellow), QColor(Qt::cyan)};
    const QModelIndex index = m_energizers->nodeIndex(row);
    const auto background = [&](int column) { return index.siblingAtColumn(column).data(Qt::BackgroundRole); };
    QCOMPARE(background(1), QVariant(QColor(Qt::red)));
    QCOMPARE(background(2), QVariant(QColor(Qt::green)));
    QCOMPARE(background(4), QVariant(QColor(Qt::blue)));
    QCOMPARE(background(6), QVariant(QColor(Qt::yellow)));
    for (int column : {0, 3, 5, 7, 11})
        QVERIFY(!background(column).isValid());
}

void TestTreeModel::ioCardRow()
{
    Node* row = statusRow(m_gateway, makeNode("IO33", m_devices.get(), Node::IOCard), 0);
    row->columns[2] = QStringLiteral("raw2");
    row->columns[3] = QStringLiteral("raw3");
    row->color.fill(Qt::red);
    row->color[Node::IOCardColor] = Qt::cyan;
    const QModelIndex index = m_energizers->nodeIndex(row);
    QCOMPARE(index.siblingAtColumn(2).data(), QVariant(QString()));
    QCOMPARE(index.siblingAtColumn(4).data(), QVariant(QString()));
    QCOMPARE(index.siblingAtColumn(3).data(), QVariant(QStringLiteral("raw3")));
    QCOMPARE(index.siblingAtColumn(1).data(), QVariant(QStringLiteral("OK")));
    QCOMPARE(index.siblingAtColumn(1).data(Qt::BackgroundRole), QVariant(QColor(Qt::cyan)));
    for (int column = 0; column < kEnergizerHeaders.size(); ++column) {
        if (column != 1)
            QVERIFY(!index.siblingAtColumn(column).data(Qt::BackgroundRole).isValid());
    }
}

void TestTreeModel::unpairedRowShowsRawValues()
{
    Node* row = makeNode(QStringLiteral("lonely"), m_gateway, Node::StatusRow, kEnergizerHeaders.size());
    row->columns[1] = 3;
    row->columns[2] = QStringLiteral("raw");
    const QModelIndex index = m_energizers->nodeIndex(row);
    QCOMPARE(index.siblingAtColumn(1).data(), QVariant(3));
    QCOMPARE(index.siblingAtColumn(2).data(), QVariant(QStringLiteral("raw")));
    QVERIFY(!index.siblingAtColumn(1).data(Qt::BackgroundRole).isValid());
}

void TestTreeModel::tooltips()
{
    setAlarmConditions([] {
        AlarmCondition c;
        c.EnergParam = 53;
        c.Active = true;
        c.AlarmColor = Qt::white;
        return AlarmConditionList{c};
    }());
    Node* energizer = statusRow(m_gateway, makeNode("E1", m_devices.get(), Node::Energizer), 2);
    energizer->flagText = QStringLiteral("Panic, Fence2Off");
    energizer->record[5] = 0x20;  // not re-evaluated for an energizer
    const QString energizerTip = QStringLiteral("Energizer E1\nstatus: Critical\nPanic, Fence2Off");
    QCOMPARE(m_energizers->nodeIndex(energizer).siblingAtColumn(5).data(Qt::ToolTipRole), QVariant(energizerTip));

    for (int n = 2; n <= 32; ++n)
        statusRow(m_gateway, makeNode(QStringLiteral("E%1").arg(n), m_devices.get(), Node::Energizer), 0);
    Node* card = statusRow(m_gateway, makeNode("IO33", m_devices.get(), Node::IOCard), 0);
    card->record[6] = 0x81;  // relays 1 and 8
    card->record[30] = 0x01; // comms fail, evaluated for the tip
    card->flagText = QStringLiteral("stale");
    QCOMPARE(card->number(), 33);
    const QString cardTip = QStringLiteral(
        "IOCard IO33\nStatus: CommsFail\nRelay1: Active\nRelay2: NotActive\nRelay3: NotActive\nRelay4: NotActive\n"
        "Relay5: NotActive\nRelay6: NotActive\nRelay7: NotActive\nRelay8: Active\n");
    QCOMPARE(m_energizers->nodeIndex(card).data(Qt::ToolTipRole), QVariant(cardTip));
    card->record[30] = 0;
    QVERIFY(m_energizers->nodeIndex(card).data(Qt::ToolTipRole).toString().startsWith("IOCard IO33\nStatus: OK\n"));

    QVERIFY(!m_energizers->nodeIndex(m_gateway).data(Qt::ToolTipRole).isValid());
}

void TestTreeModel::icons()
{
    const auto iconOf = [&](Node* node) {
        return m_energizers->nodeIndex(node).data(Qt::DecorationRole).value<QIcon>();
    };
    const auto sameImage = [](const QIcon& icon, const QString& path) {
        const QImage expected = QPixmap(path).toImage();
        return !expected.isNull() && icon.pixmap(expected.size()).toImage() == expected;
    };

    for (int type : {9, 14, 18}) {
        Node* node = makeNode(QStringLiteral("t%1").arg(type), m_gateway, type);
        QVERIFY2(sameImage(iconOf(node), QStringLiteral(":/user.png")), qPrintable(QString::number(type)));
    }
    const QStringList typeIcons = {"workplace",      "stage",         "label",      "line",
                                   "button",         "actionFrontEnd", "actionBackEnd", "soundAlarm"};
    for (int type = 0; type < typeIcons.size(); ++type) {
        Node* node = makeNode(QStringLiteral("t%1").arg(type), m_gateway, type);
        QVERIFY2(sameImage(iconOf(node), ":/icons/" + typeIcons[type] + ".png"), qPrintable(typeIcons[type]));
    }
    const QList<QPair<int, QString>> deviceIcons = {{10, "energizer"}, {11, "network_adapter"}, {12, "lightning"},
                                                    {13, "door_in"},   {15, "network_hub"},     {16, "sensor_BW"},
                                                    {17, "light_circle_green"}};
    for (const auto& entry : deviceIcons) {
        Node* node = makeNode(QStringLiteral("d"), m_gateway, entry.first);
        QVERIFY2(sameImage(iconOf(node), ":/icons/" + entry.second + ".png"), qPrintable(entry.second));
    }

    Node* row = statusRow(m_gateway, makeNode("E", m_devices.get(), Node::Energizer), 0);
    const QStringList statusIcons = {"okStatus", "warningStatus", "criticalStatus"};
    for (int status = 0; status < 3; ++status) {
        row->columns[1] = status;
        QVERIFY(sameImage(iconOf(row), ":/icons/" + statusIcons[status] + ".png"));
    }
    for (int status : {3, 4, 7}) {
        row->columns[1] = status;
        QVERIFY(iconOf(row).isNull());
    }
    QVERIFY(!m_energizers->nodeIndex(row).siblingAtColumn(1).data(Qt::DecorationRole).isValid());
    QVERIFY(!QImage(QStringLiteral(":/icons/blobEdit.png")).isNull());
}

void TestTreeModel::sensorRow()
{
    AlarmCondition alarm;
    alarm.AlarmPart = AlarmCondition::SensorPart;
    alarm.EnergParam = 2;
    alarm.Active = true;
    alarm.AlarmColor = Qt::red;
    setAlarmConditions({alarm});

    TreeModel sensors;
    sensors.setRootNode(makeRoot({"Name", "Status", "Workplace", "WorkplaceID"}));
    Node* system = makeNode(QStringLiteral("TW"), sensors.rootNode(), Node::TWSystem, 4);
    Node* sensor = makeNode(QStringLiteral("S1"), system, Node::TWSensor, 4);
    sensor->columns = {QStringLiteral("S1"), 2, QStringLiteral("Site"), 7};
    const QModelIndex index = sensors.nodeIndex(sensor);
    QCOMPARE(index.siblingAtColumn(1).data(), QVariant(QStringLiteral("Alarm")));
    QCOMPARE(index.siblingAtColumn(1).data(Qt::BackgroundRole), QVariant(QColor(Qt::red)));
    QCOMPARE(index.siblingAtColumn(2).data(), QVariant(QString()));
    QCOMPARE(index.siblingAtColumn(3).data(), QVariant(QString()));
    QCOMPARE(index.siblingAtColumn(3).data(Qt::EditRole), QVariant(7));
    QVERIFY(!index.siblingAtColumn(0).data(Qt::BackgroundRole).isValid());
    QVERIFY(!index.siblingAtColumn(1).data(Qt::ToolTipRole).isValid());
}

void TestTreeModel::setDataAndRefresh()
{
    Node* row = statusRow(m_gateway, makeNode("E1", m_devices.get(), Node::Energizer), 0);
    const QModelIndex index = m_energizers->nodeIndex(row).siblingAtColumn(8);
    QAbstractItemModelTester tester(m_energizers.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy changed(m_energizers.get(), &QAbstractItemModel::dataChanged);

    QVERIFY(m_energizers->setData(index, 5, Qt::EditRole));
    QCOMPARE(row->data(8).userType(), int(QMetaType::QString));
    QCOMPARE(row->data(8), QVariant(QStringLiteral("5")));
    QVERIFY(!m_energizers->setData(index, 6, Qt::DisplayRole));
    QCOMPARE(row->data(8), QVariant(QStringLiteral("5")));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.first().at(0).toModelIndex(), index);
    QCOMPARE(changed.first().at(1).toModelIndex(), index);
    QVERIFY(m_energizers->setData(m_energizers->nodeIndex(row), QStringLiteral("Energizer 1")));
    QCOMPARE(row->name, QStringLiteral("Energizer 1"));
    QVERIFY(!m_energizers->refreshNode(nullptr));
    changed.clear();

    // Refreshes wait for the event loop and go out as one change per run of
    // adjacent rows; a row deleted meanwhile is left out, the root stands
    // for every row.
    for (int i = 2; i <= 6; ++i)
        statusRow(m_gateway, makeNode(QStringLiteral("E%1").arg(i), m_devices.get(), Node::Energizer), 0);
    for (int i : {0, 1, 3, 4, 5})
        QVERIFY(m_energizers->refreshNode(m_gateway->child(i)));
    QVERIFY(m_energizers->refreshNode(m_gateway->child(1)));
    const QModelIndex gateway = m_energizers->nodeIndex(m_gateway);
    QVERIFY(m_energizers->removeRows(5, 1, gateway));
    QCOMPARE(changed.count(), 0);
    QTRY_COMPARE(changed.count(), 2);
    const int last = kEnergizerHeaders.size() - 1;
    QCOMPARE(changed.at(0).at(0).toModelIndex(), m_energizers->index(0, 0, gateway));
    QCOMPARE(changed.at(0).at(1).toModelIndex(), m_energizers->index(1, last, gateway));
    QCOMPARE(changed.at(1).at(0).toModelIndex(), m_energizers->index(3, 0, gateway));
    QCOMPARE(changed.at(1).at(1).toModelIndex(), m_energizers->index(4, last, gateway));

    changed.clear();
    QVERIFY(m_energizers->refreshNode(m_energizers->rootNode()));
    QTRY_COMPARE(changed.count(), 2);
    QCOMPARE(changed.at(0).at(1).toModelIndex(), m_energizers->index(0, last));
    QCOMPARE(changed.at(1).at(1).toModelIndex(), m_energizers->index(4, last, gateway));
}

// Edits as (column, row), column -1 disabling the row, -2 and -5 raising its
// first and second return voltage, -3 changing its status colour, -4 writing
// its column 8 again unchanged; the announced ranges as pairs of (column,
// row) corners.
// Each edit is made once as a dialog makes it (the row compared whole) and
// once as a unit does (`setData`, the row compared where it marked changes).
void TestTreeModel::refreshAnnouncesWhatChanged_data()
{
    QTest::addColumn<bool>("marked");
    QTest::addColumn<QList<QPoint>>("edits");
    QTest::addColumn<QList<QPoint>>("ranges");
    const int last = kEnergizerHeaders.size() - 1;
    for (const bool marked : {false, true}) {
        const auto row = [marked](const char* name) -> QTestData& {
            return QTest::newRow(qPrintable(QLatin1String(name) + (marked ? QLatin1String(", marked") : QLatin1String())))
                << marked;
        };
        row("nothing changed") << QList<QPoint>{} << QList<QPoint>{};
        row("one cell") << QList<QPoint>{{8, 1}} << QList<QPoint>{{8, 1}, {8, 1}};
        row("adjacent rows") << QList<QPoint>{{9, 2}, {8, 1}} << QList<QPoint>{{8, 1}, {9, 2}};
        row("apart") << QList<QPoint>{{9, 2}, {8, 0}} << QList<QPoint>{{8, 0}, {8, 0}, {9, 2}, {9, 2}};
        row("status: text and icon") << QList<QPoint>{{1, 0}} << QList<QPoint>{{0, 0}, {1, 0}};
        row("disabled") << QList<QPoint>{{-1, 1}} << QList<QPoint>{{0, 1}, {last, 1}};
        row("voltage") << QList<QPoint>{{-2, 0}} << QList<QPoint>{{3, 0}, {3, 0}};
        row("both voltages") << QList<QPoint>{{-2, 0}, {-5, 0}} << QList<QPoint>{{3, 0}, {5, 0}};
        row("voltage bytes of an IO card") << QList<QPoint>{{-2, 1}, {-5, 1}} << QList<QPoint>{};
        row("colour") << QList<QPoint>{{-3, 0}} << QList<QPoint>{{1, 0}, {1, 0}};
        row("same value") << QList<QPoint>{{-4, 1}} << QList<QPoint>{};
    }
}

void TestTreeModel::refreshAnnouncesWhatChanged()
{
    QFETCH(bool, marked);
    QFETCH(QList<QPoint>, edits);
    QFETCH(QList<QPoint>, ranges);
    statusRow(m_gateway, makeNode(QStringLiteral("E0"), m_devices.get(), Node::Energizer), Node::OK);
    for (int i = 1; i < 3; ++i)
        statusRow(m_gateway, makeNode(QStringLiteral("I%1").arg(i), m_devices.get(), Node::IOCard), Node::OK);
    QSignalSpy changed(m_energizers.get(), &QAbstractItemModel::dataChanged);
    const auto refreshAll = [this, marked] {
        for (Node* row : m_gateway->children)
            marked ? m_energizers->refreshChanges(row) : m_energizers->refreshNode(row);
        QCoreApplication::sendPostedEvents(m_energizers.get(), QEvent::MetaCall);
    };
    refreshAll();
    QCOMPARE(changed.count(), 1);  // first shown: in full
    changed.clear();
    for (const QPoint& edit : edits) {
        Node* row = m_gateway->child(edit.y());
        SiteLocker lock;
        const auto write = [row, marked](int column, const QVariant& value) {
            marked ? void(row->setData(column, value)) : void(row->columns[column] = value);
        };
        switch (edit.x()) {
        case -1: row->enabled = false; break;
        case -2: row->record[17] += 8; break;
        case -3: row->color[Node::MainColor] = Qt::magenta; break;
        case -4: write(8, row->data(8)); break;
        case -5: row->record[24] += 8; break;
        default: write(edit.x(), edit.x() == 1 ? QVariant(Node::Critical) : QVariant(QStringLiteral("7")));
        }
    }
    refreshAll();
    const QModelIndex gateway = m_energizers->nodeIndex(m_gateway);
    QList<QPoint> announced;
    for (const QList<QVariant>& signal : qAsConst(changed)) {
        for (int corner : {0, 1}) {
            const QModelIndex index = signal.at(corner).toModelIndex();
            QCOMPARE(index.parent(), gateway);
            announced << QPoint(index.column(), index.row());
        }
    }
    QCOMPARE(announced, ranges);
}

void TestTreeModel::headersAndFlags()
{
    for (int section = 0; section < kEnergizerHeaders.size(); ++section)
        QCOMPARE(m_energizers->headerData(section, Qt::Horizontal), QVariant(kEnergizerHeaders[section]));
    QCOMPARE(m_energizers->columnCount(), kEnergizerHeaders.size());
    QVERIFY(!m_energizers->headerData(0, Qt::Vertical).isValid());
    QVERIFY(!m_energizers->headerData(0, Qt::Horizontal, Qt::ToolTipRole).isValid());
    QVERIFY(!m_energizers->headerData(99, Qt::Horizontal).isValid());

    QCOMPARE(m_energizers->flags(QModelIndex()), Qt::ItemIsDropEnabled);
    // Code that holds the model as a QAbstractItemModel casts it back.
    QCOMPARE(qobject_cast<TreeModel*>(static_cast<QAbstractItemModel*>(m_energizers.get())), m_energizers.get());
    const Qt::ItemFlags flags = m_energizers->flags(m_energizers->nodeIndex(m_gateway));
    QCOMPARE(flags, Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled
                 | Qt::ItemIsEnabled);
    QCOMPARE(m_energizers->supportedDropActions(), Qt::MoveAction);
    QCOMPARE(m_energizers->supportedDragActions(), Qt::MoveAction);
    QCOMPARE(m_energizers->mimeTypes(), QStringList{QStringLiteral("application/vnd.text.list")});

    QVERIFY(!m_energizers->index(1, 0).isValid());
    QVERIFY(!m_energizers->index(0, 12).isValid());
    QVERIFY(!m_energizers->index(-1, 0).isValid());
    QCOMPARE(m_energizers->getNode(QModelIndex()), m_energizers->rootNode());
    QVERIFY(!m_energizers->nodeIndex(nullptr).isValid());
    QVERIFY(!m_energizers->nodeIndex(m_energizers->rootNode()).isValid());
}

void TestTreeModel::insertRows()
{
    const QModelIndex gateway = m_energizers->nodeIndex(m_gateway);
    makeNode(QStringLiteral("existing"), m_gateway, Node::StatusRow);
    QSignalSpy inserted(m_energizers.get(), &QAbstractItemModel::rowsInserted);

    QVERIFY(m_energizers->insertRows(0, 2, gateway));
    QCOMPARE(childNames(m_gateway), (QStringList{"No Data", "No Data", "existing"}));
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted.at(0).at(1).toInt(), 0);
    QCOMPARE(inserted.at(0).at(2).toInt(), 1);

    QVERIFY(m_energizers->insertRows(3, 0, gateway));
    QVERIFY(!m_energizers->insertRows(5, 1, gateway));
    QVERIFY(!m_energizers->insertRows(-1, 1, gateway));
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(m_gateway->childCount(), 3);
}

void TestTreeModel::removeRows()
{
    Node* a = makeNode(QStringLiteral("a"), m_gateway, Node::StatusRow);
    Node* b = makeNode(QStringLiteral("b"), m_gateway, Node::StatusRow);
    makeNode(QStringLiteral("c"), m_gateway, Node::StatusRow);
    Node* device = makeNode(QStringLiteral("dev"), m_devices.get(), Node::Energizer);
    b->deviceNode = device;
    device->deviceNode = b;
    const QModelIndex gateway = m_energizers->nodeIndex(m_gateway);
    QSignalSpy removing(m_energizers.get(), &QAbstractItemModel::rowsAboutToBeRemoved);

    QVERIFY(!m_energizers->removeRows(2, 2, gateway));
    QVERIFY(!m_energizers->removeRows(-1, 1, gateway));
    QVERIFY(!m_energizers->removeRows(0, 0, gateway));
    QCOMPARE(removing.count(), 0);
    QCOMPARE(m_gateway->childCount(), 3);

    QVERIFY(m_energizers->removeRows(0, 2, gateway));
    QCOMPARE(removing.count(), 1);
    QCOMPARE(childNames(m_gateway), QStringList{"c"});
    QVERIFY(!Node::isAlive(a));
    QVERIFY(!Node::isAlive(b));
    QVERIFY(!device->deviceNode);
}

void TestTreeModel::moveNode()
{
    Node* a = makeNode(QStringLiteral("a"), m_gateway, Node::StatusRow);
    Node* b = makeNode(QStringLiteral("b"), m_gateway, Node::StatusRow);
    Node* inner = makeNode(QStringLiteral("inner"), b, Node::StatusRow);
    QAbstractItemModelTester tester(m_energizers.get(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy moved(m_energizers.get(), &QAbstractItemModel::rowsMoved);

    QVERIFY(m_energizers->moveNode(m_gateway, a));  // already first
    QCOMPARE(moved.count(), 0);
    QVERIFY(!m_energizers->moveNode(nullptr, a));
    QVERIFY(!m_energizers->moveNode(m_gateway, nullptr));
    QVERIFY(!m_energizers->moveNode(inner, b));  // into its own subtree
    QVERIFY(!m_energizers->moveNode(b, b));
    QCOMPARE(childNames(m_gateway), (QStringList{"a", "b"}));

    QVERIFY(m_energizers->moveNode(m_gateway, b));
    QCOMPARE(childNames(m_gateway), (QStringList{"b", "a"}));
    QVERIFY(m_energizers->moveNode(inner, a));
    QCOMPARE(inner->children, QList<Node*>{a});
    QCOMPARE(moved.count(), 2);

    // A move further down one parent ends where Node::insertInto puts it.
    Node* c = makeNode(QStringLiteral("c"), m_gateway, Node::StatusRow);
    Q_UNUSED(c);
    m_energizers->takeNode(c);
    QVERIFY(m_energizers->insertNode(m_gateway, 2, c));
    QVERIFY(m_energizers->moveIndex(m_energizers->nodeIndex(m_gateway), m_energizers->nodeIndex(b), 1));
    QCOMPARE(childNames(m_gateway), (QStringList{"c", "b"}));
    QVERIFY(m_energizers->moveIndex(m_energizers->nodeIndex(m_gateway), m_energizers->nodeIndex(b), 1));
    QVERIFY(!m_energizers->moveIndex(m_energizers->nodeIndex(b), m_energizers->nodeIndex(b), 0));
    QVERIFY(!m_energizers->moveIndex(QModelIndex(), QModelIndex(), 0));
}

void TestTreeModel::insertAndTakeNode()
{
    QAbstractItemModelTester tester(m_energizers.get(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy inserted(m_energizers.get(), &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(m_energizers.get(), &QAbstractItemModel::rowsRemoved);

    auto* first = new Node(QStringLiteral("first"));
    QVERIFY(m_energizers->insertNode(m_gateway, -1, first));
    auto* last = new Node(QStringLiteral("last"));
    QVERIFY(m_energizers->insertNode(m_gateway, 42, last));
    auto* middle = new Node(QStringLiteral("middle"));
    QVERIFY(m_energizers->insertNode(m_gateway, 1, middle));
    QCOMPARE(childNames(m_gateway), (QStringList{"first", "middle", "last"}));
    QCOMPARE(inserted.count(), 3);
    QCOMPARE(inserted.at(1).at(1).toInt(), 1);  // row 42 announced where it lands
    QVERIFY(!m_energizers->insertNode(nullptr, 0, new Node(QStringLiteral("orphan"), m_devices.get())));
    QVERIFY(!m_energizers->insertNode(m_gateway, 0, nullptr));

    m_energizers->takeNode(middle);
    QCOMPARE(removed.count(), 1);
    QCOMPARE(childNames(m_gateway), (QStringList{"first", "last"}));
    QCOMPARE(middle->parent(), m_gateway);  // keeps its link until put back
    QVERIFY(!m_energizers->nodeIndex(middle).isValid());
    m_energizers->takeNode(middle);  // not listed any more: nothing
    m_energizers->takeNode(nullptr);
    m_energizers->takeNode(m_energizers->rootNode());
    QCOMPARE(removed.count(), 1);
    QVERIFY(m_energizers->insertNode(m_gateway, 0, middle));
    QCOMPARE(childNames(m_gateway), (QStringList{"middle", "first", "last"}));

    // A node still hanging elsewhere in the tree is moved, announced as a move.
    QSignalSpy moved(m_energizers.get(), &QAbstractItemModel::rowsMoved);
    QVERIFY(m_energizers->insertNode(m_energizers->rootNode(), -1, last));
    QCOMPARE(moved.count(), 1);
    QCOMPARE(m_energizers->rootNode()->children.last(), last);

    QVERIFY(m_energizers->findNode(QModelIndex(), 0, QStringLiteral("first")) == first);
    QVERIFY(!m_energizers->findNode(QModelIndex(), 0, QStringLiteral("nobody")));
    QCOMPARE(m_energizers->findNode(m_energizers->nodeIndex(m_gateway).siblingAtColumn(3), 0, "first"), first);
}

void TestTreeModel::clearKeepsRootAndUnlinks()
{
    Node* device = makeNode(QStringLiteral("E1"), m_devices.get(), Node::Energizer);
    Node* row = statusRow(m_gateway, device, 0);
    Node* deep = makeNode(QStringLiteral("deep"), row, Node::StatusRow);
    TreeModel elements;  // links are found in the trees of live models
    elements.setRootNode(makeRoot({"Name"}));
    Node* other = makeNode(QStringLiteral("other"), elements.rootNode(), Node::IOCard);
    other->deviceNode = deep;  // a one-way link into the doomed subtree
    QSignalSpy reset(m_energizers.get(), &QAbstractItemModel::modelReset);
    Node* root = m_energizers->rootNode();

    m_energizers->clear();
    QCOMPARE(reset.count(), 1);
    QCOMPARE(m_energizers->rootNode(), root);
    QCOMPARE(root->childCount(), 0);
    QCOMPARE(m_energizers->rowCount(), 0);
    QCOMPARE(m_energizers->headerData(11, Qt::Horizontal), QVariant(QStringLiteral("IP")));
    QVERIFY(!device->deviceNode);
    QVERIFY(!other->deviceNode);
    QVERIFY(!Node::isAlive(m_gateway));

    m_gateway = makeNode(QStringLiteral("again"), root, Node::MapElement);
    makeNode(QStringLiteral("row"), m_gateway, Node::StatusRow);
    m_energizers->removeAllNodes();
    QCOMPARE(root->childCount(), 0);
    QCOMPARE(reset.count(), 2);
}

void TestTreeModel::modelTesterOverOperations()
{
    TreeModel model;
    model.setRootNode(makeRoot({"Name", "Status"}));
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    Node* root = model.rootNode();

    QList<Node*> tops;
    for (int i = 0; i < 3; ++i) {
        auto* top = new Node(QStringLiteral("top%1").arg(i));
        top->columns.resize(2);
        QVERIFY(model.insertNode(root, i == 1 ? 99 : -1, top));
        tops << top;
        for (int j = 0; j < 3; ++j) {
            auto* mid = new Node(QStringLiteral("mid%1.%2").arg(i).arg(j));
            mid->columns.resize(2);
            QVERIFY(model.insertNode(top, j == 0 ? -1 : 0, mid));
            for (int k = 0; k < 2; ++k)
                QVERIFY(model.insertNode(mid, k, new Node(QStringLiteral("leaf%1.%2.%3").arg(i).arg(j).arg(k))));
        }
    }
    QCOMPARE(model.rowCount(), 3);

    Node* leaf = tops[0]->child(0)->child(1);
    model.takeNode(leaf);
    QVERIFY(model.insertNode(tops[2]->child(2), 1, leaf));
    QVERIFY(model.moveNode(tops[1], tops[0]->child(2)));
    QVERIFY(model.moveNode(root, tops[2]->child(0)->child(0)));
    QVERIFY(!model.moveNode(tops[0]->child(0), tops[0]));
    QVERIFY(model.moveIndex(model.nodeIndex(tops[1]), model.nodeIndex(tops[1]->child(0)), 3));
    QVERIFY(model.moveIndex(QModelIndex(), model.nodeIndex(tops[1]->child(1)), -1));
    QVERIFY(model.insertRows(1, 2, model.nodeIndex(tops[2])));
    QVERIFY(model.removeRows(0, 2, model.nodeIndex(tops[1])));
    QVERIFY(!model.removeRows(0, 50, model.nodeIndex(tops[1])));
    QVERIFY(model.removeRows(0, 1));
    model.clear();
    QCOMPARE(model.rowCount(), 0);
    QVERIFY(model.insertNode(root, 0, new Node(QStringLiteral("fresh"))));
}

void TestTreeModel::dragPayload()
{
    Node* a = makeNode(QStringLiteral("a"), m_gateway, Node::StatusRow, 3);
    Node* b = makeNode(QStringLiteral("b"), m_gateway, Node::StatusRow, 3);
    const QModelIndex ia = m_energizers->nodeIndex(a);
    const QModelIndex ib = m_energizers->nodeIndex(b);
    std::unique_ptr<QMimeData> data(m_energizers->mimeData({ia, ia.siblingAtColumn(1), ib.siblingAtColumn(2), ib}));

    QCOMPARE(data->formats(), QStringList{TreeModel::kMimeType});
    QByteArray expected;
    {
        QDataStream stream(&expected, QIODevice::WriteOnly);
        stream << idOf(m_energizers.get()) << idOf(a) << idOf(b);
    }
    QCOMPARE(expected.size(), 24);  // three 64-bit identities, big-endian
    QCOMPARE(data->data(TreeModel::kMimeType), qCompress(expected, 9));
    QCOMPARE(payloadOf(data.get()), expected);
}

void TestTreeModel::dropRules()
{
    QAbstractItemModelTester tester(m_energizers.get(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    Node* a = makeNode(QStringLiteral("a"), m_gateway, Node::StatusRow);
    Node* b = makeNode(QStringLiteral("b"), m_gateway, Node::StatusRow);
    Node* target = makeNode(QStringLiteral("target"), m_energizers->rootNode(), Node::MapElement);
    makeNode(QStringLiteral("t0"), target, Node::StatusRow);
    const QModelIndex gatewayIndex = m_energizers->nodeIndex(m_gateway);
    const QModelIndex targetIndex = m_energizers->nodeIndex(target);
    MessageCatcher catcher;
    // The drop path names its case at debug level, off by default.
    QLoggingCategory::setFilterRules(QStringLiteral("lumetra.model.debug=true"));

    const auto drag = [&](Node* node) {
        return std::unique_ptr<QMimeData>(m_energizers->mimeData({m_energizers->nodeIndex(node)}));
    };

    QVERIFY(m_energizers->dropMimeData(nullptr, Qt::IgnoreAction, 0, 0, QModelIndex()));
    QMimeData plain;
    plain.setText(QStringLiteral("a"));
    QVERIFY(!m_energizers->dropMimeData(&plain, Qt::MoveAction, 0, 0, QModelIndex()));

    // Onto itself: refused at once.
    QVERIFY(!m_energizers->dropMimeData(drag(a).get(), Qt::MoveAction, -1, 0, m_energizers->nodeIndex(a)));
    // Onto its own parent without a row: nothing changes.
    QVERIFY(!m_energizers->dropMimeData(drag(a).get(), Qt::MoveAction, -1, 0, gatewayIndex));
    QVERIFY(catcher.contains(QStringLiteral("RETURN")));
    QCOMPARE(childNames(m_gateway), (QStringList{"a", "b"}));
    // Within its parent to a row: moved, answered false so the view removes nothing.
    QVERIFY(!m_energizers->dropMimeData(drag(a).get(), Qt::MoveAction, 1, 0, gatewayIndex));
    QCOMPARE(childNames(m_gateway), (QStringList{"b", "a"}));
    // To another parent: moved there, to row 0 when no row was given.
    QVERIFY(!m_energizers->dropMimeData(drag(b).get(), Qt::MoveAction, -1, 0, targetIndex));
    QCOMPARE(childNames(target), (QStringList{"b", "t0"}));
    // Into its own subtree: refused, unchanged.
    Node* inner = makeNode(QStringLiteral("inner"), a, Node::StatusRow);
    QVERIFY(!m_energizers->dropMimeData(drag(a).get(), Qt::MoveAction, 0, 0, m_energizers->nodeIndex(inner)));
    QCOMPARE(a->parent(), m_gateway);

    // A copy always lands first, whatever row was dropped on.
    QVERIFY(m_energizers->dropMimeData(drag(a).get(), Qt::CopyAction, 5, 0, targetIndex));
    QCOMPARE(childNames(target), (QStringList{"a", "b", "t0"}));
    QVERIFY(target->child(0) != a);
    QCOMPARE(target->child(0)->child(0)->name, QStringLiteral("inner"));
    QVERIFY(catcher.contains(QStringLiteral("same-model-copy")));

    // Dropped on the top level of its own model: a copy is added there.
    QVERIFY(m_energizers->dropMimeData(drag(inner).get(), Qt::MoveAction, 0, 0, QModelIndex()));
    QCOMPARE(m_energizers->rootNode()->child(0)->name, QStringLiteral("inner"));
    QCOMPARE(inner->parent(), a);

    // An empty payload is accepted and changes nothing.
    QVERIFY(m_energizers->dropMimeData(payload(idOf(m_energizers.get()), {}).get(), Qt::MoveAction, 0, 0,
                                       targetIndex));
    QCOMPARE(target->childCount(), 3);
}

void TestTreeModel::crossModelDrops()
{
    TreeModel elements;
    elements.setRootNode(makeRoot({"Name"}));
    Node* workplace = makeNode(QStringLiteral("Workplace"), elements.rootNode(), Node::Workplace);
    Node* box = makeNode(QStringLiteral("box"), workplace, Node::MapElement);
    makeNode(QStringLiteral("child"), box, Node::Energizer);
    QAbstractItemModelTester elementTester(&elements, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QAbstractItemModelTester energizerTester(m_energizers.get(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    std::unique_ptr<QMimeData> data(elements.mimeData({elements.nodeIndex(box)}));

    QVERIFY(m_energizers->dropMimeData(data.get(), Qt::MoveAction, -1, 0, m_energizers->nodeIndex(m_gateway)));
    QCOMPARE(m_gateway->childCount(), 1);
    QCOMPARE(m_gateway->child(0)->child(0)->name, QStringLiteral("child"));
    QCOMPARE(box->parent(), workplace);  // the source keeps it

    m_energizers->removeSourceOnMove = true;
    QVERIFY(m_energizers->dropMimeData(data.get(), Qt::MoveAction, 0, 0, QModelIndex()));
    QCOMPARE(m_energizers->rootNode()->child(0)->name, QStringLiteral("box"));
    QCOMPARE(workplace->childCount(), 0);
    // The payload now names a deleted node: refused without touching it.
    QVERIFY(!m_energizers->dropMimeData(data.get(), Qt::MoveAction, 0, 0, QModelIndex()));
    QCOMPARE(m_energizers->rootNode()->childCount(), 2);

    // Moving a node of one model into another through insertNode announces
    // the removal in the first and the insertion in the second.
    Node* moved = m_gateway->child(0);
    QSignalSpy removed(m_energizers.get(), &QAbstractItemModel::rowsRemoved);
    QSignalSpy inserted(&elements, &QAbstractItemModel::rowsInserted);
    QVERIFY(elements.insertNode(workplace, 0, moved));
    QCOMPARE(removed.count(), 1);
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(TreeModel::modelOf(moved), &elements);
}

void TestTreeModel::forgedPayloads()
{
    Node* a = makeNode(QStringLiteral("a"), m_gateway, Node::StatusRow);
    Node outside(QStringLiteral("outside"));
    const QModelIndex gatewayIndex = m_energizers->nodeIndex(m_gateway);
    const quint64 model = idOf(m_energizers.get());

    // Unknown identities, a node of no model, an unknown model: refused.
    QVERIFY(!m_energizers->dropMimeData(payload(model, {0xDEADBEEF}).get(), Qt::MoveAction, 0, 0, gatewayIndex));
    QVERIFY(!m_energizers->dropMimeData(payload(model, {idOf(&outside)}).get(), Qt::CopyAction, 0, 0, gatewayIndex));
    QVERIFY(!m_energizers->dropMimeData(payload(model, {idOf(a), 0x10}).get(), Qt::CopyAction, 0, 0, gatewayIndex));
    QVERIFY(!m_energizers->dropMimeData(payload(0x1234, {idOf(a)}).get(), Qt::CopyAction, 0, 0, gatewayIndex));
    // Not compressed, truncated identity, empty data.
    QMimeData raw;
    raw.setData(TreeModel::kMimeType, QByteArray("\x00\x00\x00\x08garbage!", 12));
    QVERIFY(!m_energizers->dropMimeData(&raw, Qt::CopyAction, 0, 0, gatewayIndex));
    QByteArray truncated;
    QDataStream(&truncated, QIODevice::WriteOnly) << model << quint32(7);
    raw.setData(TreeModel::kMimeType, qCompress(truncated, 9));
    QVERIFY(!m_energizers->dropMimeData(&raw, Qt::CopyAction, 0, 0, gatewayIndex));
    raw.setData(TreeModel::kMimeType, QByteArray());
    QVERIFY(!m_energizers->dropMimeData(&raw, Qt::CopyAction, 0, 0, gatewayIndex));
    // A size far beyond any payload's is refused before anything is decompressed
    // (Qt would allocate it); so is a node named twice.
    MessageCatcher catcher;
    raw.setData(TreeModel::kMimeType, QByteArray("\x7f\xff\x00\x00\x78\x9c\x03\x00\x00\x00\x01", 11));
    QVERIFY(!m_energizers->dropMimeData(&raw, Qt::CopyAction, 0, 0, gatewayIndex));
    QVERIFY(catcher.contains(QStringLiteral("Drop refused")));
    QVERIFY(!catcher.contains(QStringLiteral("qUncompress")));
    QVERIFY(!m_energizers->dropMimeData(payload(model, {idOf(a), idOf(a)}).get(), Qt::CopyAction, 0, 0, gatewayIndex));
    // A parent index of another model.
    TreeModel other;
    other.setRootNode(makeRoot({"Name"}));
    Node* foreign = makeNode(QStringLiteral("f"), other.rootNode(), Node::Workplace);
    QVERIFY(!m_energizers->dropMimeData(payload(model, {idOf(a)}).get(), Qt::CopyAction, 0, 0,
                                        other.nodeIndex(foreign)));

    QCOMPARE(childNames(m_gateway), QStringList{"a"});
    QCOMPARE(foreign->childCount(), 0);
}

// The control unit rewrites the status columns of the rows on its thread,
// under the site mutex, while the GUI thread looks rows up and refreshes
// them; run under ThreadSanitizer this catches an unguarded read.
void TestTreeModel::lookupsWhileAUnitWrites()
{
    TreeModel model;
    model.setRootNode(makeRoot(kEnergizerHeaders));
    Node* gateway = makeNode(QStringLiteral("10.0.0.1"), model.rootNode(), Node::MapElement, kEnergizerHeaders.size());
    Node* device = makeNode(QStringLiteral("Energ1"), nullptr, Node::Energizer);
    std::unique_ptr<Node> deviceOwner(device);
    Node* row = statusRow(gateway, device, Node::OK);

    std::atomic<bool> stop{false};
    std::thread unit([&] {
        int value = 0;
        while (!stop.load()) {
            SiteLocker lock;
            // A copy shares the columns until one side writes: the write
            // then replaces the row's column store as a whole.
            const QVector<QVariant> shared = row->columns;
            row->setData(Node::kStatusColumn, ++value % 4);
            row->setData(7, QStringLiteral("00:00:%1").arg(value % 60));
        }
    });
    for (int i = 0; i < 2000; ++i) {
        Node* byDuration = model.findNode(QModelIndex(), 7, QStringLiteral("00:00:30"));
        QVERIFY(!byDuration || byDuration == row);
        QVERIFY(model.findNode(QModelIndex(), 0, QStringLiteral("Energ1")) == row);
        QVERIFY(model.refreshNode(row));
    }
    stop = true;
    unit.join();
    QCOMPARE(row->name, QStringLiteral("Energ1"));
}

QTEST_MAIN(TestTreeModel)
#include "tst_treemodel.moc"
