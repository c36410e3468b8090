#include "osprelvellsetupdlg.h"
#include "osprelvellsetupwidget.h"
#include "osprelvellwizard.h"

#include "apppaths.h"
#include "dialogtestsupport.h"
#include "gatewaysetuphost.h"
#include "gatewaysimulator.h"
#include "gatewaysubtree.h"
#include "graphicsbox.h"
#include "graphicsscene.h"
#include "intropage.h"
#include "mappingdlg.h"
#include "messageboxanswerer.h"
#include "node.h"
#include "operatorclick.h"
#include "popupanswerer.h"
#include "qtclient.h"
#include "resources.h"
#include "scopedhook.h"
#include "silentport.h"
#include "testhome.h"
#include "treemodel.h"
#include "vellsetuppage.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSettings>
#include <QTabWidget>
#include <QTableWidget>
#include <QTcpSocket>
#include <QtTest>

#include <optional>

namespace {

struct FakeHost : GatewaySetupHost
{
    qtClient* gatewayClient() override { return client; }
    void rebuildEnergizerModel() override { ++rebuilds; }
    void deviceEnablingChanged() override { ++refreshes; }
    void gatewayBoxChanged(GraphicsBox* box) override { changed = box; }
    qtClient* client = nullptr;
    GraphicsBox* changed = nullptr;
    int rebuilds = 0;
    int refreshes = 0;
};

QByteArray lines(const QList<int>& values)
{
    QByteArray text;
    for (int v : values)
        text += QByteArray::number(v) + "\r\n";
    return text;
}

// The longest the event loop went without running a 5 ms timer.
struct LatencyProbe
{
    LatencyProbe()
    {
        clock.start();
        QObject::connect(&timer, &QTimer::timeout, [this] {
            worstGap = qMax(worstGap, clock.restart());
            ++ticks;
        });
        timer.start(5);
    }
    QElapsedTimer clock;
    QTimer timer;
    qint64 worstGap = 0;
    int ticks = 0;
};

} // namespace

class TestGatewaySetup : public QObject
{
    Q_OBJECT
private:
    // A gateway as a placed item makes it; returns its energizer-model node.
    Node* addGateway(const QString& ip)
    {
        GatewaySubtree gateway(ip);
        Node* row = gateway.statusNode.release();
        m_elements->insertNode(m_elements->rootNode(), -1, gateway.elementNode.release());
        m_energizers->insertNode(m_energizers->rootNode(), -1, row);
        return row;
    }

    QTableWidget* table(QWidget& w, const char* name) { return w.findChild<QTableWidget*>(name); }

    std::unique_ptr<TestHome> m_home;
    std::unique_ptr<TreeModel> m_energizers;
    std::unique_ptr<TreeModel> m_elements;
    FakeHost m_host;

private slots:
    void initTestCase()
    {
        initLumetraResources();
        m_home = std::make_unique<TestHome>();
        QVERIFY(m_home->isValid());
    }

    void init()
    {
        m_energizers = std::make_unique<TreeModel>();
        m_energizers->setRootNode(new Node(QStringLiteral("Name")));
        m_elements = std::make_unique<TreeModel>();
        m_elements->setRootNode(new Node(QStringLiteral("Root")));
        g_energizerModel = m_energizers.get();
        g_elementTreeModel = m_elements.get();
        m_host.refreshes = m_host.rebuilds = 0;
    }

    void cleanup()
    {
        g_energizerModel = g_elementTreeModel = nullptr;
        m_elements.reset();
        m_energizers.reset();
    }

    void tablesListTheDevices()
    {
        Node* gateway = addGateway(QStringLiteral("10.0.0.1"));
        OsprelVellSetupWidget w(&m_host);
        w.fillGateways(QString());
        QTableWidget* energizers = table(w, "tableEnergizers");
        QTableWidget* cards = table(w, "tableIOCards");
        QCOMPARE(energizers->rowCount(), 33);
        QCOMPARE(cards->rowCount(), 31);
        QCOMPARE(energizers->item(0, 1)->text(), QStringLiteral("Global energizers"));
        QVERIFY(energizers->item(0, 1)->font().bold());
        QVERIFY(!(energizers->item(0, 2)->flags() & Qt::ItemIsEditable));
        QCOMPARE(energizers->item(32, 0)->text(), QStringLiteral("32"));
        QCOMPARE(cards->item(0, 0)->text(), QStringLiteral("33"));
        QCOMPARE(cards->item(30, 0)->text(), QStringLiteral("63"));

        // The "Mapping" cell opens the row's device; "Global energizers" the gateway's own node.
        for (auto cell : {std::make_pair(energizers, 0), {energizers, 2}, {cards, 0}}) {
            Node* opened = nullptr;
            answerNextModal([&](QWidget* dialog) {
                opened = qobject_cast<MappingDlg*>(dialog)->deviceNode();
                dialog->close();
            });
            w.showMapping(cell.first->item(cell.second, 3));
            const int index = cell.first->item(cell.second, 0)->text().toInt() - 1;
            QCOMPARE(opened, index < 0 ? gateway->deviceNode : gateway->child(index)->deviceNode);
        }
    }

    void enabledFlagsFollowTheRowsOfTheShownGateway()
    {
        Node* first = addGateway(QStringLiteral("192.168.100.100"));
        Node* second = addGateway(QStringLiteral("192.168.100.100"));
        OsprelVellSetupWidget w(&m_host);
        w.fillGateways(QString());
        QCOMPARE(w.currentGateway(), first);
        table(w, "tableEnergizers")->item(5, 2)->setCheckState(Qt::Unchecked);
        Node* row = first->child(4);
        QVERIFY(!row->enabled && !row->deviceNode->enabled && !row->deviceNode->deviceNode->enabled);
        QVERIFY(second->child(4)->enabled);
        QCOMPARE(m_host.refreshes, 1);

        w.findChild<QTabWidget*>()->setCurrentIndex(1);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        answerNextMenu("AllUnChecked");
        QWidget* cards = table(w, "tableIOCards")->viewport();
        QTest::mouseClick(w.windowHandle(), Qt::RightButton, {}, cards->mapTo(&w, {8, 8}));
        for (int i = 0; i < 63; ++i)
            QCOMPARE(bool(first->child(i)->enabled), i >= 32 ? false : i != 4);
        QVERIFY(table(w, "tableIOCards")->item(3, 2)->flags() & Qt::ItemIsEnabled);
        QCOMPARE(m_host.refreshes, 2);
    }

    void withTextFileResetsMappings()
    {
        Node* gateway = addGateway(QStringLiteral("10.0.0.1"));
        gateway->deviceNode->outputMappings = {record(40)};
        gateway->child(0)->deviceNode->outputMappings = {record(33)};
        gateway->child(33)->deviceNode->inputMappings = {record(1)};
        OsprelVellSetupWidget w(&m_host);
        w.fillGateways(QString());
        auto* box = w.findChild<QCheckBox*>("chckTextFile");
        QSettings settings(AppPaths::settings(), QSettings::IniFormat);
        QString seen;

        answerBox(&seen, QMessageBox::No);
        QVERIFY(operatorClick(box));
        QCOMPARE(seen, QStringLiteral("Warning|All mapping for Energizers will be reset.\nContinue?"));
        QVERIFY(!box->isChecked());
        QCOMPARE(gateway->child(0)->deviceNode->outputMappings.size(), 1);

        answerBox(&seen, QMessageBox::Yes);
        QVERIFY(operatorClick(box));
        QVERIFY(gateway->child(0)->deviceNode->outputMappings.isEmpty());
        QCOMPARE(gateway->deviceNode->outputMappings.size(), 1);
        QVERIFY(!(table(w, "tableEnergizers")->item(0, 1)->flags() & Qt::ItemIsEnabled));
        settings.sync();
        QCOMPARE(settings.value("withTextEnerg").toBool(), true);

        w.findChild<QTabWidget*>()->setCurrentIndex(1);
        QVERIFY(!box->isChecked());
        answerBox(&seen, QMessageBox::Yes);
        QVERIFY(operatorClick(box));
        QCOMPARE(seen, QStringLiteral("Warning|All mapping for IO Cards will be reset.\nContinue?"));
        QVERIFY(gateway->child(33)->deviceNode->inputMappings.isEmpty());
        settings.sync();
        QCOMPARE(settings.value("GlobalInput1", true).toBool(), false);
        QCOMPARE(settings.value("GlobalInput2", true).toBool(), false);
        QCOMPARE(settings.value("withTextIOCard").toBool(), true);
    }

    // A setting.ini that cannot be written: the operator is told so.
    void withTextFileWriteFailureIsReported()
    {
        addGateway(QStringLiteral("10.0.0.1"));
        OsprelVellSetupWidget w(&m_host);
        w.fillGateways(QString());
        const QString ini = AppPaths::settings();
        QVERIFY(QFile::rename(ini, ini + QStringLiteral(".saved")) && QDir().mkdir(ini));
        const auto restore = qScopeGuard([&ini] { QDir().rmdir(ini) && QFile::rename(ini + ".saved", ini); });
        MessageBoxAnswerer answerer(QMessageBox::Yes);
        QVERIFY(operatorClick(w.findChild<QCheckBox*>("chckTextFile")));
        QTRY_COMPARE(answerer.seen().size(), 2);
        QVERIFY(answerer.seen().at(1).startsWith(QStringLiteral("Error:The settings could not be written")));
    }

    void exportFile_data()
    {
        QTest::addColumn<bool>("energizers");
        QTest::addColumn<QList<MappingRecord>>("list");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QByteArray>("expected");
        MappingRecord panic = record(33, 0, 0x1);
        MappingRecord latching = record(40, 7, 0x1000);
        latching.latchingCode = 0x0001;
        QTest::newRow("energizer without mapping") << true << QList<MappingRecord>{} << true << lines({0, 0, 0, 0, 0, 0, 0});
        QTest::newRow("energizer disabled") << true << QList<MappingRecord>{panic} << false << QByteArray();
        QTest::newRow("panic on relay 1") << true << QList<MappingRecord>{panic} << true
                                          << lines({33, 4096, 0, 0, 0, 0, 0, 0, 0, 0});
        QTest::newRow("comms fail not latching") << true << QList<MappingRecord>{latching} << true
                                                 << lines({40, 0, 0, 0, 0, 0, 0, 0, 1, 1});
        QTest::newRow("global entry before the card") << true << QList<MappingRecord>{record(0), panic} << true
                                                      << lines({33, 4096, 0, 0, 0, 0, 0, 0, 0, 0});
        QTest::newRow("card empty list") << false << QList<MappingRecord>{} << true << QByteArray();
        QTest::newRow("card zone 1 on") << false << QList<MappingRecord>{record(5, 0, 1)} << true << lines({5, 129, 0, 1});
        QTest::newRow("card global and energizer 7")
            << false << QList<MappingRecord>{record(0, 4, 1), record(7, 1, 4)} << true << lines({7, 130, 144, 2});
        QTest::newRow("card global only") << false << QList<MappingRecord>{record(0, 5, 2)} << true
                                          << lines({0, 0, 160, 32});
    }

    // Through the widget, one device in the table: the file read back byte for byte.
    void exportFile()
    {
        QFETCH(bool, energizers);
        QFETCH(QList<MappingRecord>, list);
        QFETCH(bool, enabled);
        QFETCH(QByteArray, expected);
        Node* gateway = addGateway(QStringLiteral("10.0.0.1"));
        for (int i = 0; i < 63; ++i)
            gateway->child(i)->deviceNode->enabled = false;
        Node* device = gateway->child(energizers ? 2 : 40)->deviceNode;
        device->enabled = enabled;
        (energizers ? device->outputMappings : device->inputMappings) = list;

        OsprelVellSetupWidget w(&m_host);
        w.fillGateways(QString());
        w.findChild<QTabWidget*>()->setCurrentIndex(energizers ? 0 : 1);
        const QString path = m_home->filePath(QStringLiteral("export.txt"));
        QString proposed;
        const ScopedHook chooser(&OsprelVellSetupWidget::setSaveFileNameHook,
                                 [&](QWidget*, const QString&, const QString& name, const QString&) {
                                     proposed = name;
                                     return path;
                                 });
        w.exportMapping();
        QCOMPARE(proposed, energizers ? QStringLiteral("etoimapplus.txt") : QStringLiteral("itoemap.txt"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), expected);
    }

    void exportWritesWholeFilesOnly()
    {
        Node* gateway = addGateway(QStringLiteral("10.0.0.1"));
        gateway->child(3)->deviceNode->outputMappings = {record(33), record(34)};
        OsprelVellSetupWidget w(&m_host);
        w.fillGateways(QString());
        const QString path = m_home->filePath(QStringLiteral("kept.txt"));
        {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("12\r\n");
        }
        QString target = path;
        std::optional<ScopedHook> chooser(std::in_place, &OsprelVellSetupWidget::setSaveFileNameHook,
                                          [&](QWidget*, const QString&, const QString&, const QString&) { return target; });
        QString seen;
        answerBox(&seen, QMessageBox::Ok);
        w.exportMapping();
        QCOMPARE(seen, QStringLiteral("Error|No text file can be created\ndue to multiple mapping from an energizer"));
        QFile kept(path);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("12\r\n"));

        gateway->child(3)->deviceNode->outputMappings.clear();
        target = m_home->filePath(QStringLiteral("missing/dir/out.txt"));
        answerBox(&seen, QMessageBox::Ok);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("Mapping export to .* failed")));
        w.exportMapping();
        QVERIFY(seen.startsWith(QStringLiteral("Error|The file ") + target));
        QVERIFY(!QFile::exists(target));
        target = m_home->filePath(QStringLiteral("typed")); // the name chosen is written as it stands
        w.exportMapping();
        QVERIFY(QFile::exists(target) && !QFile::exists(target + QStringLiteral(".txt")));
        // The dialog gives a typed name the files' suffix, so it asks before replacing that file.
        chooser.reset();
        MessageBoxAnswerer replace(QMessageBox::No);
        answerNextModal([&](QWidget* dialog) {
            QTest::keyClick(dialog->windowHandle(), Qt::Key_A, Qt::ControlModifier);
            for (const QChar c : path.chopped(4))
                QTest::keyClick(dialog->windowHandle(), c.toLatin1());
            QTest::keyClick(dialog->windowHandle(), Qt::Key_Return);
            QTest::keyClick(dialog->windowHandle(), Qt::Key_Escape);
        });
        w.exportMapping();
        QCOMPARE(replace.seen(), QStringList{"Save File:kept.txt already exists.\nDo you want to replace it?"});
        kept.close();
        QVERIFY(kept.open(QIODevice::ReadOnly) && kept.readAll() == "12\r\n");
    }

    // The address the wizard stores must name the host it reaches; a field
    // set around the first page leaves the item's address alone too.
    void wizardTakesOnlyDottedQuads()
    {
        GraphicsScene scene(QStringLiteral("Site"));
        auto* box = new GraphicsBox(GraphicsBox::GatewayBox);
        scene.addItem(box);
        const QString before = box->node()->data(0).toString();
        OsprelVellWizard wizard(box, &m_host);
        wizard.restart();
        for (const char* bad : {"", "300.1.1.1", "abc", "::1", "1.2.3", "127.1", "10", "0x7f.0.0.1", "010.0.0.1",
                                "1.2.3.4.5", "1..3.4", "+1.2.3.4", "\xd9\xa1.2.3.4"}) {
            wizard.setField(IntroPage::AddressField, QString::fromUtf8(bad));
            QString seen;
            answerBox(&seen, QMessageBox::Ok);
            wizard.next();
            QVERIFY2(wizard.currentId() == OsprelVellWizard::IntroPageId && seen.startsWith("Error|"), bad);
            wizard.setUpPage()->initializePage();
            QCOMPARE(box->node()->data(0).toString(), before);
        }
    }

    void wizardReconnectsAndEnablesTheNewGateway()
    {
        Node* first = addGateway(QStringLiteral("10.0.0.1"));
        first->child(2)->enabled = false;
        GraphicsScene scene(QStringLiteral("Site"));
        auto* box = new GraphicsBox(GraphicsBox::GatewayBox);
        scene.addItem(box);
        m_energizers->insertNode(m_energizers->rootNode(), -1, box->node()->deviceNode);

        GatewaySimulator sim;
        QVERIFY(sim.listen());
        qtClient client(0);
        LinkTiming timing;
        timing.sweepStartDelayMs = 10;
        client.setTiming(timing);
        client.setPort(sim.port());
        m_host.client = &client;
        // An attempt still under way elsewhere must not keep the new address out.
        client.moveTo(QStringLiteral("127.0.0.2"));
        QSignalSpy status(&client, &qtClient::commStatus);

        OsprelVellWizard wizard(box, &m_host);
        wizard.restart();
        wizard.setField(IntroPage::AddressField, QStringLiteral("127.0.0.1"));
        wizard.next();
        m_host.client = nullptr;
        QCOMPARE(wizard.currentId(), int(OsprelVellWizard::SetUpPageId));
        QCOMPARE(box->node()->data(0).toString(), QStringLiteral("127.0.0.1"));
        QCOMPARE(box->node()->deviceNode->data(0).toString(), QStringLiteral("127.0.0.1"));
        QCOMPARE(box->node()->parent(), scene.workplaceNode());
        QCOMPARE(m_host.rebuilds, 1);
        QCOMPARE(m_host.changed, box);  // what shows the box shows its new address

        OsprelVellSetupWidget* w = wizard.setUpPage()->setupWidget();
        QCOMPARE(w->currentGateway(), box->node()->deviceNode);
        for (Node* row : box->node()->deviceNode->children)
            QVERIFY(row->enabled && row->deviceNode->enabled);
        QCOMPARE(table(*w, "tableIOCards")->item(30, 2)->checkState(), Qt::Checked);
        QVERIFY(!first->child(2)->enabled);
        Node* energ4 = box->node()->deviceNode->child(3);
        table(*w, "tableEnergizers")->item(4, 2)->setCheckState(Qt::Unchecked);
        // Looking at the other gateway ticks none of its devices, nor does its menu.
        wizard.show();
        QVERIFY(QTest::qWaitForWindowExposed(&wizard));
        w->findChild<QComboBox*>()->setFocus();
        QTest::keyClick(wizard.windowHandle(), Qt::Key_Up);
        QCOMPARE(w->currentGateway(), first);
        QVERIFY(!first->child(2)->enabled);
        bool offered = true;
        answerNextPopup([&offered](QWidget* menu) { offered = menu->actions().first()->isEnabled(); menu->close(); });
        QTest::mouseClick(wizard.windowHandle(), Qt::RightButton, {}, table(*w, "tableEnergizers")->viewport()->mapTo(&wizard, {8, 8}));
        QTest::keyClick(wizard.windowHandle(), Qt::Key_Down);
        QVERIFY(!offered && !energ4->enabled);

        QVERIFY(sim.waitForConnection());
        QVERIFY(sim.waitForFunction(43, 1));
        sim.setDeviceCounts(1, 1);
        sim.sendHeartbeat();
        QTRY_VERIFY_WITH_TIMEOUT(!status.isEmpty() && status.last().at(0).toInt() == qtClient::Updated, 10000);

        wizard.back();
        wizard.next();
        QCOMPARE(w->findChild<QComboBox*>()->count(), 2);
        QVERIFY(!energ4->enabled);
        client.closeConnection();
    }

    // Finishing the wizard (Enter reaches its default button) while a Name
    // cell is still being edited: the device keeps the new name.
    void wizardKeepsARenameWhenFinished()
    {
        GraphicsScene scene(QStringLiteral("Site"));
        auto* box = new GraphicsBox(GraphicsBox::GatewayBox);
        scene.addItem(box);
        m_energizers->insertNode(m_energizers->rootNode(), -1, box->node()->deviceNode);
        OsprelVellWizard wizard(box, &m_host);
        wizard.restart();
        wizard.setField(IntroPage::AddressField, QStringLiteral("127.0.0.1"));
        wizard.next();
        QTableWidget* energizers = table(*wizard.setUpPage()->setupWidget(), "tableEnergizers");
        energizers->editItem(energizers->item(1, OsprelVellSetupWidget::NameColumn));
        auto* editor = energizers->viewport()->findChild<QLineEdit*>();
        QVERIFY(editor);
        editor->setText(QStringLiteral("Gate east"));
        wizard.accept();
        const Node* row = box->node()->deviceNode->child(0);
        QCOMPARE(row->data(0).toString(), QStringLiteral("Gate east"));
        QCOMPARE(row->deviceNode->data(0).toString(), QStringLiteral("Gate east"));
    }

    void wizardNeverWaitsForASilentGateway()
    {
        SilentPort silent;
        QVERIFY(silent.port != 0);
        qtClient client(0);
        client.setPort(silent.port);
        m_host.client = &client;
        QSignalSpy status(&client, &qtClient::commStatus);
        OsprelVellWizard wizard(nullptr, &m_host);
        wizard.restart();
        wizard.setField(IntroPage::AddressField, QStringLiteral("127.0.0.1"));
        LatencyProbe probe;
        wizard.next();
        QTRY_VERIFY(probe.ticks >= 40);
        m_host.client = nullptr;
        QCOMPARE(status.last().at(0).toInt(), int(qtClient::TryToConnect));
        // A connect that waited would hold the event loop for the whole connect wait; a busy machine holds it far
        // less. The gap itself is measured in bench_qtclient.
        QVERIFY2(probe.worstGap < client.timing().connectWaitMs / 2, qPrintable(QStringLiteral("%1 ms").arg(probe.worstGap)));
        client.abortSocket();
    }

    void dialogWithoutGateways()
    {
        OsprelVellSetupDlg dlg(&m_host);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("KX4 setup"));
        QCOMPARE(dlg.findChild<QComboBox*>()->count(), 0);
        QCOMPARE(table(dlg, "tableEnergizers")->rowCount(), 0);
        QCOMPARE(table(dlg, "tableIOCards")->rowCount(), 0);
    }
};

QTEST_MAIN(TestGatewaySetup)
#include "tst_gatewaysetup.moc"
