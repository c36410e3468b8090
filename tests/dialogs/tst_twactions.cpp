#include "aboutdlg.h"
#include "actionmanagerdlg.h"
#include "fakemainwindow.h"
#include "gatewaysimulator.h"
#include "graphicsbox.h"
#include "graphicsline.h"
#include "graphicsscene.h"
#include "messageboxanswerer.h"
#include "modalanswerer.h"
#include "node.h"
#include "operatorclick.h"
#include "popupanswerer.h"
#include "qtclienttw.h"
#include "resources.h"
#include "scopedhook.h"
#include "sitemutex.h"
#include "treemodel.h"
#include "twsensorssetupdlg.h"
#include "twsensorsstateswidget.h"
#include "urlopener.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <QtTest>

#include <thread>

class TestTwActions : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void opensOnTheWorkspaceSystem();
    void enablingAppliesTheTable();
    void setAddress_data();
    void setAddress();
    void setAddressReconnectsTheClient_data();
    void setAddressReconnectsTheClient();
    void sensorCells();
    void soundActionGivesDistinctCopies();
    void lineAndTextReturnTheirOwnNodes();
    void aboutBox();

private:
    Node* addSystem(const QString& name, bool enabled, int sensors);
    template <typename T> T* child(QWidget* dialog, const char* name) { return dialog->findChild<T*>(QLatin1String(name)); }
    Node* pickAction(GraphicsScene* scene, const QString& value);

    std::unique_ptr<FakeMainWindow> m_window;
    std::unique_ptr<TreeModel> m_twModel;
    std::unique_ptr<GraphicsScene> m_scene;
    QList<Node*> m_sounds;
};

void TestTwActions::initTestCase()
{
    initLumetraResources();
}

void TestTwActions::init()
{
    m_window = std::make_unique<FakeMainWindow>();
    m_scene = m_window->makeScene(QStringLiteral("Site"));
    m_window->m_currentScene = m_scene.get();
    m_scene->setSoundAlarmList(&m_sounds);
    m_twModel = std::make_unique<TreeModel>();
    auto* root = new Node(QStringLiteral("TW"));
    root->columns = QVector<QVariant>(4, QString());
    m_twModel->setRootNode(root);
    g_twSensorModel = m_twModel.get();
    addSystem(QStringLiteral("Site"), true, 3);
    addSystem(QStringLiteral("Untitled 2"), false, 2);
}

void TestTwActions::cleanup()
{
    m_scene.reset();
    qDeleteAll(m_sounds);
    m_sounds.clear();
    g_twSensorModel = nullptr;
    m_twModel.reset();
    m_window.reset();
}

// A TW system with its sensors; its twin in the element tree has no sensor twins yet.
Node* TestTwActions::addSystem(const QString& name, bool enabled, int sensors)
{
    auto* system = new Node(name);
    system->type = Node::TWSystem;
    system->columns = {name, 0, name, 0};
    auto* twin = new Node(name);
    twin->type = Node::TWSystem;
    system->deviceNode = twin;
    twin->deviceNode = system;
    system->enabled = twin->enabled = enabled;
    for (int n = 1; n <= sensors; ++n)
        (new Node(QStringLiteral("Sensor%1").arg(n), system))->type = Node::TWSensor;
    m_twModel->insertNode(m_twModel->rootNode(), -1, system);
    m_scene->elementModel()->insertNode(m_scene->workplaceNode(), -1, twin);
    return system;
}

void TestTwActions::opensOnTheWorkspaceSystem()
{
    TWSensorsSetupDlg dialog;
    answerNextModal([&](QWidget* shown) {
        QCOMPARE(child<QComboBox>(shown, "cbTWsystem")->currentIndex(), 1);
        QVERIFY(!child<QCheckBox>(shown, "chTWSensorsEnable")->isChecked());
        QVERIFY(!child<QToolButton>(shown, "btnSetIP")->isEnabled());
        QVERIFY(!child<QTableWidget>(shown, "tableWidget")->isEnabled());
        QVERIFY(child<QLineEdit>(shown, "edtIPAddress")->isEnabled());
        // The system is still named after its workspace.
        QCOMPARE(child<QLineEdit>(shown, "edtIPAddress")->text(), QStringLiteral("Untitled 2"));
        auto* table = child<QTableWidget>(shown, "tableWidget");
        QCOMPARE(table->rowCount(), 2);
        QCOMPARE(table->item(1, 0)->text() + table->item(1, 1)->text(), QStringLiteral("2Sensor2"));
        child<QLineEdit>(shown, "edtIPAddress")->setText(QStringLiteral("10.0.0.9")); // kept, though not set
        QVERIFY(operatorClick(child<QPushButton>(shown, "btnClose")));
    });
    QCOMPARE(dialog.execForSystem(1), int(QDialog::Accepted));
    QCOMPARE(m_twModel->rootNode()->child(1)->data(0).toString(), QStringLiteral("10.0.0.9"));
}

void TestTwActions::enablingAppliesTheTable()
{
    Node* system = m_twModel->rootNode()->child(1);
    TWSensorsStatesWidget states(m_twModel.get());
    TWSensorsSetupDlg dialog;
    connect(&dialog, &TWSensorsSetupDlg::enabledFlagsChanged, &states, &TWSensorsStatesWidget::refresh);
    QSignalSpy sectorAction(&dialog, &TWSensorsSetupDlg::twSystemEnabledChanged);
    // A system saved without a name is known by its workspace, and takes that name once enabled.
    system->setData(0, QString());
    system->deviceNode->setData(0, QString());
    dialog.twsystemChanged(1);
    dialog.findChild<QComboBox*>()->setCurrentIndex(1);
    QCOMPARE(child<QLineEdit>(&dialog, "edtIPAddress")->text(), QStringLiteral("Untitled 2"));
    auto* enable = child<QCheckBox>(&dialog, "chTWSensorsEnable");
    MessageBoxAnswerer boxes;
    QVERIFY(operatorClick(enable, QPoint(8, enable->height() / 2)));  // its box: the row reaches past its text
    QCOMPARE(system->data(0).toString() + system->deviceNode->data(0).toString(), QStringLiteral("Untitled 2Untitled 2"));
    QVERIFY(boxes.seen().isEmpty());

    QCOMPARE(sectorAction.count(), 1);
    QVERIFY(system->enabled && system->deviceNode->enabled && child<QToolButton>(&dialog, "btnSetIP")->isEnabled());
    // Each sensor got one twin of type 16 under the system's twin, named after it, column 1 = 0.
    QCOMPARE(system->deviceNode->childCount(), 2);
    for (int row = 0; row < 2; ++row) {
        Node* twin = system->deviceNode->child(row);
        QVERIFY(twin->type == Node::TWSensor && twin->enabled && twin->deviceNode == system->child(row));
        QCOMPARE(twin->columns, QVector<QVariant>({system->child(row)->data(0).toString(), 0}));
    }
    dialog.checkAll();
    QCOMPARE(system->deviceNode->childCount(), 2);
    // The enabled system and its sensors now show in the states view.
    auto* view = states.findChild<QTreeView*>();
    QCOMPARE(view->model()->rowCount(view->model()->index(1, 0)), 2);
}

void TestTwActions::setAddress_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("name");
    QTest::newRow("good") << "10.1.2.3" << "10.1.2.3";
    QTest::newRow("empty") << "" << "Untitled 2";
    QTest::newRow("three parts") << "1.2.3" << "Untitled 2";
    QTest::newRow("octet too big") << "300.1.1.1" << "Untitled 2";
    QTest::newRow("octal part") << "010.0.0.1" << "Untitled 2";
}

void TestTwActions::setAddress()
{
    QFETCH(QString, address);
    QFETCH(QString, name);
    Node* system = m_twModel->rootNode()->child(1);
    qtClientTW client(1);
    TWSensorsSetupDlg dialog;
    dialog.setTWClient(&client);
    dialog.findChild<QComboBox*>()->setCurrentIndex(1);
    child<QLineEdit>(&dialog, "edtIPAddress")->setText(address);
    MessageBoxAnswerer boxes;
    dialog.setIPaddress();
    QCOMPARE(boxes.seen().isEmpty(), name == address);
    QCOMPARE(system->data(0).toString(), name);
    QCOMPARE(system->deviceNode->data(0).toString(), name);
    QCOMPARE(dialog.findChild<QComboBox*>()->itemText(1), name);
    // The system is disabled: the client is left alone.
    QVERIFY(client.address().isEmpty());
    // Moving on to another system, and closing, tell a refused text no second time.
    QVERIFY(operatorKey(dialog.findChild<QComboBox*>(), Qt::Key_Up));
    QCOMPARE(child<QLineEdit>(&dialog, "edtIPAddress")->text(), QStringLiteral("Site"));
    dialog.reject();
    QCOMPARE(boxes.seen().size(), name == address ? 0 : 1);
}

void TestTwActions::setAddressReconnectsTheClient_data()
{
    QTest::addColumn<bool>("typed");
    QTest::newRow("set on an enabled system") << false;
    QTest::newRow("typed, then the system enabled") << true;
}

// An address set on an enabled system is dialled. One typed while the system
// is disabled, and its button with it, is set and dialled once it is enabled.
void TestTwActions::setAddressReconnectsTheClient()
{
    QFETCH(bool, typed);
    GatewaySimulator controller;
    controller.setTwMode(true);
    QVERIFY(controller.listen());
    qtClientTW client(1);
    client.setPort(controller.port());
    TWSensorsSetupDlg dialog;
    dialog.setTWClient(&client);
    QString dialled;
    answerNextModal([&](QWidget* shown) {
        const auto click = [this, shown](const char* name) {
            QTest::mouseClick(shown->windowHandle(), Qt::LeftButton, {}, child<QWidget>(shown, name)->mapTo(shown, {8, 8}));
        };
        click("edtIPAddress");
        QTest::keyClick(shown->windowHandle(), Qt::Key_A, Qt::ControlModifier); // over the system's name
        for (const char c : QByteArray("127.0.0.1"))
            QTest::keyClick(shown->windowHandle(), c);
        click(typed ? "chTWSensorsEnable" : "btnSetIP");
        dialled = client.address();
        click("btnClose");
    });
    dialog.execForSystem(typed ? 1 : 0);
    QCOMPARE(dialled, QStringLiteral("127.0.0.1"));
    QVERIFY(controller.waitForConnection());
    client.closeConnection();
}

void TestTwActions::sensorCells()
{
    Node* system = m_twModel->rootNode()->child(0);
    TWSensorsSetupDlg dialog;
    {
        // The TW unit writes a sensor just before it lets go of the lock: the
        // table, read under the lock, shows the write.
        QSemaphore held, done;
        std::thread unit([&] {
            SiteLocker lock;
            held.release();
            done.tryAcquire(1, 300);
            system->child(1)->setData(0, QStringLiteral("Written by the unit"));
        });
        held.acquire();
        dialog.twsystemChanged(0);
        done.release();
        unit.join();
    }
    auto* table = child<QTableWidget>(&dialog, "tableWidget");
    QCOMPARE(table->item(1, 1)->text(), QStringLiteral("Written by the unit"));
    QVERIFY(!(table->item(0, 0)->flags() & Qt::ItemIsEditable));
    QVERIFY(!(table->item(0, 2)->flags() & Qt::ItemIsEditable));
    table->item(2, 1)->setText(QStringLiteral("Gate"));
    QCOMPARE(system->child(2)->data(0).toString(), QStringLiteral("Gate"));
    // A check toggled without a click (keyboard) still reaches both nodes.
    table->item(1, 2)->setCheckState(Qt::Unchecked);
    QVERIFY(!system->child(1)->enabled && !system->child(1)->deviceNode->enabled);
    QCOMPARE(system->child(2)->deviceNode->data(0).toString(), QStringLiteral("Gate"));

    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    answerNextMenu("AllUnChecked");
    QTest::mouseClick(dialog.windowHandle(), Qt::RightButton, {}, table->viewport()->mapTo(&dialog, {8, 8}));
    for (Node* sensor : qAsConst(system->children))
        QVERIFY(!sensor->enabled && !sensor->deviceNode->enabled);
}

Node* TestTwActions::pickAction(GraphicsScene* scene, const QString& value)
{
    ActionManagerDlg dialog;
    answerNextModal([&](QWidget* shown) {
        auto* tree = child<QTreeWidget>(shown, "treeWidget");
        const QList<QTreeWidgetItem*> found = tree->findItems(value, Qt::MatchExactly | Qt::MatchRecursive, 1);
        tree->setCurrentItem(found.isEmpty() ? tree->topLevelItem(0) : found.first());
        QVERIFY(operatorClick(child<QPushButton>(shown, "btnSelect")));
    });
    return dialog.selectAction(scene);
}

void TestTwActions::soundActionGivesDistinctCopies()
{
    auto* siren = new Node(QStringLiteral("Siren"));
    siren->type = Node::SoundAlarm;
    siren->columns = {QStringLiteral("Siren"), QString(), QStringLiteral("{id}")};
    m_sounds.append(siren);
    auto* box = new GraphicsBox(GraphicsBox::GatewayBox);
    m_scene->insertItem(box);
    m_scene->sceneModeChanged(box, GraphicsScene::SelectObject);
    Node* energizer = box->node()->child(0);
    QVERIFY(energizer && energizer->childCount() >= 2);

    QList<Node*> copies;
    for (int sector = 0; sector < 2; ++sector) {
        Node* copy = pickAction(m_scene.get(), QStringLiteral("Siren"));
        QVERIFY(copy && copy != siren && !copy->parent() && copy->type == Node::SoundAlarm && !copy->childCount());
        m_scene->elementModel()->insertNode(energizer->child(sector), 0, copy);
        copies << copy;
    }
    QVERIFY(copies[0] != copies[1]);
    QCOMPARE(siren->children, copies);

    ActionManagerDlg dialog;
    int owners = -1;
    answerNextModal([&](QWidget* shown) {
        auto* tree = child<QTreeWidget>(shown, "treeWidget");
        owners = tree->findItems(QStringLiteral("Ref energizer(Sector)"), Qt::MatchExactly | Qt::MatchRecursive).size();
        QVERIFY(operatorClick(child<QPushButton>(shown, "btnCancel")));
    });
    QCOMPARE(dialog.selectAction(m_scene.get()), nullptr);
    QCOMPARE(owners, 2);
    // Deleting the element tree would free the copies; the list must not keep them.
    for (Node* copy : copies)
        siren->children.removeOne(copy);
}

void TestTwActions::lineAndTextReturnTheirOwnNodes()
{
    // An empty workspace offers only the root row, which stands for nothing.
    QCOMPARE(pickAction(m_scene.get(), QString()), nullptr);
    auto* text = new GraphicsBox(GraphicsBox::TextBox);
    m_scene->insertItem(text);
    m_scene->setUniqueName(text);
    text->setCaption(QStringLiteral("Gate house"));
    auto* line = new GraphicsLine;
    line->appendPoint(QPointF(0, 0));
    line->appendPoint(QPointF(50, 50));
    m_scene->insertItem(line);
    m_scene->setUniqueName(line);
    QCOMPARE(pickAction(m_scene.get(), QStringLiteral("Gate house")), text->node());
    QCOMPARE(pickAction(m_scene.get(), line->objectName()), line->node());
    QCOMPARE(pickAction(m_scene.get(), QStringLiteral("Ref energizer(Sector)")), nullptr);
}

void TestTwActions::aboutBox()
{
    QStringList opened;
    const ScopedHook urlOpener(&UrlOpener::setHook, [&](const QUrl& url) { opened << url.toString(); return true; });
    for (const QString& version : {QStringLiteral("1.1.86"), QString()}) {
        QCoreApplication::setApplicationVersion(version);
        AboutDlg dialog;
        QCOMPARE(child<QLabel>(&dialog, "lblName")->text(), QStringLiteral("Brenik-Lumetra ") + version);
    }
    AboutDlg dialog;
    emit child<QLabel>(&dialog, "lblEmail")->linkActivated(QStringLiteral("mailto:%1?subject=Hello Brenik").arg(AboutDlg::Email));
    QCOMPARE(opened, QStringList{QStringLiteral("mailto:%1?subject=Hello Brenik").arg(AboutDlg::Email)});
    QVERIFY(child<QLabel>(&dialog, "lblEmail")->text().contains(QStringLiteral("href='mailto:")));
    answerNextModal([&](QWidget* shown) { QVERIFY(operatorClick(child<QPushButton>(shown, "btnClose"))); });
    QCOMPARE(dialog.exec(), 0);
}

QTEST_MAIN(TestTwActions)
#include "tst_twactions.moc"
