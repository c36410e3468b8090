#include "mappingdlg.h"

#include "controlunit.h"
#include "controllerframe.h"
#include "dialogtestsupport.h"
#include "gatewaysimulator.h"
#include "gatewaysubtree.h"
#include "graphicsbox.h"
#include "qtclient.h"
#include "treemodel.h"
#include "node.h"
#include "operatorclick.h"
#include "resources.h"
#include "scopedhook.h"

#include <QCheckBox>
#include <QDomDocument>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QScopeGuard>
#include <QThread>
#include <QToolButton>
#include <QtTest>

namespace {

// Closes every other mapping dialog the moment it is shown, and counts them.
class NestedDialogCatcher : public QObject
{
public:
    explicit NestedDialogCatcher(QWidget* own) : m_own(own) { qApp->installEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* dialog = qobject_cast<MappingDlg*>(watched);
        if (event->type() == QEvent::Show && dialog && dialog != m_own) {
            shown.append({dialog->deviceNode(), dialog->windowTitle()});
            QMetaObject::invokeMethod(dialog, &QDialog::close, Qt::QueuedConnection);
        }
        return false;
    }
    QList<QPair<Node*, QString>> shown;

private:
    QWidget* m_own;
};

} // namespace

class TestMappingDlg : public QObject
{
    Q_OBJECT
private:
    QTableWidget* table(MappingDlg& dlg, const char* name) { return dlg.findChild<QTableWidget*>(name); }
    QToolButton* button(MappingDlg& dlg, const char* name) { return dlg.findChild<QToolButton*>(name); }
    static QCheckBox* box(QTableWidget* t, int row, int column)
    {
        QWidget* cell = t->cellWidget(row, column);
        return cell ? cell->findChild<QCheckBox*>() : nullptr;
    }
    static void click(QTableWidget* t, int row, int column)
    {
        QCheckBox* b = box(t, row, column);
        QVERIFY2(b, qPrintable(QStringLiteral("no box at %1,%2").arg(row).arg(column)));
        t->window()->show();
        QVERIFY(QTest::qWaitForWindowExposed(t->window()));
        t->scrollTo(t->model()->index(row, column));  // the box where the operator sees it
        QVERIFY(operatorClick(b));
    }

    std::unique_ptr<GatewaySubtree> m_gateway;
    Node* m_element = nullptr;
    Node* m_energizer = nullptr;
    Node* m_card = nullptr;

private slots:
    void initTestCase() { initLumetraResources(); }

    void init()
    {
        m_gateway = std::make_unique<GatewaySubtree>(QStringLiteral("127.0.0.1"));
        m_element = m_gateway->elementNode.get();
        m_energizer = m_element->child(0);
        m_card = m_element->child(32);
    }

    void addingACard()
    {
        MappingDlg dlg;
        dlg.prepareEnergizerPage(m_energizer);
        QTableWidget* t = table(dlg, "tableEnergMapping");
        QCOMPARE(t->rowCount(), 0);
        QVERIFY(!button(dlg, "btnAddCard")->isHidden());
        QCOMPARE(dlg.findChild<QLabel*>("lblEnerg")->text(), QStringLiteral("Energizer #1 to IO Card Mapping"));
        QSignalSpy changed(&dlg, &MappingDlg::mappingChanged);
        Node* picked = nullptr;  // cancelled
        const ScopedHook picker(&MappingDlg::setElementPicker, [&picked](QWidget*, int, Node*) { return picked; });
        QVERIFY(operatorClick(button(dlg, "btnAddCard")));
        QVERIFY(m_energizer->outputMappings.isEmpty() && changed.isEmpty() && t->rowCount() == 0);

        // A card of another gateway would be stored as this gateway's card of that number.
        GatewaySubtree other(QStringLiteral("127.0.0.2"));
        picked = other.elementNode->child(32);
        QVERIFY(operatorClick(button(dlg, "btnAddCard")));
        QVERIFY(m_energizer->outputMappings.isEmpty());

        picked = m_card;
        QVERIFY(operatorClick(button(dlg, "btnAddCard")));
        QCOMPARE(t->rowCount(), 10);
        QCOMPARE(t->verticalHeaderItem(0)->text(), QStringLiteral("IOCard #33\nRelay Outputs"));
        QVERIFY(t->verticalHeaderItem(0)->font().bold());
        QCOMPARE(t->rowHeight(0), 40);
        QCOMPARE(t->item(0, 0)->text(), QStringLiteral("Mapping to IOCard #33"));
        QCOMPARE(t->verticalHeaderItem(9)->text(), QStringLiteral("Not latching"));
        QCOMPARE(t->horizontalHeaderItem(12)->text(), QStringLiteral("Comms\nFail"));
        QCOMPARE(m_energizer->outputMappings, QList<MappingRecord>{record(33)});
        QVERIFY(changed.count() >= 1);
    }

    void relayAndLatchingCells_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("relayWord");
        QTest::addColumn<int>("latchingCode");
        QTest::newRow("fence1 alarm") << 10 << 0x400 << 0x0002;
        QTest::newRow("panic") << 0 << 0x001 << 0x1000;
        QTest::newRow("comms fail") << 12 << 0x1000 << 0x0001;
    }

    // Relay 3 is row 3 of the group, "Not latching" row 9.
    void relayAndLatchingCells()
    {
        QFETCH(int, column);
        QFETCH(int, relayWord);
        QFETCH(int, latchingCode);
        m_energizer->outputMappings = {record(33)};
        MappingDlg dlg;
        dlg.prepareEnergizerPage(m_energizer);
        QTableWidget* t = table(dlg, "tableEnergMapping");
        QVERIFY(!box(t, 9, column)->isEnabled());

        click(t, 3, column);
        QCOMPARE(m_energizer->outputMappings.at(0).codedValue[2], quint32(relayWord));
        QVERIFY(box(t, 9, column)->isEnabled());
        click(t, 9, column);
        QCOMPARE(int(m_energizer->outputMappings.at(0).latchingCode), latchingCode);

        click(t, 3, column);
        QCOMPARE(m_energizer->outputMappings.at(0).codedValue[2], 0u);
        QVERIFY(!box(t, 9, column)->isEnabled());
        QVERIFY(!box(t, 9, column)->isChecked());
        QCOMPARE(m_energizer->outputMappings.at(0).latchingCode, quint16(0));

        for (int c = 0; c < MappingDlg::ConditionCount; ++c)
            click(t, 1, c);
        QCOMPARE(m_energizer->outputMappings.at(0).codedValue[0], 0x1FFFu);
    }

    void globalInputClearsZoneColumn()
    {
        m_card->inputMappings = {record(1, 4, 0x5)};
        MappingDlg dlg;
        dlg.prepareCardPage(m_card);
        QTableWidget* t = table(dlg, "tableCardMapping");
        QCOMPARE(t->rowCount(), 8);
        QCOMPARE(t->verticalHeaderItem(3)->text(), QStringLiteral("Energizer Control #1\nof IOCard"));
        QVERIFY(box(t, 4, 4)->isChecked());
        QVERIFY(!box(t, 1, 0));

        click(t, 1, 4);
        QCOMPARE(m_card->inputMappings.size(), 2);
        QCOMPARE(m_card->inputMappings.at(1), record(0, 4, 1));
        for (int row = 4; row < 8; ++row) {
            QVERIFY(!box(t, row, 4)->isEnabled());
            QVERIFY(!box(t, row, 4)->isChecked());
        }
        // What the screen cleared no longer drives the energizer.
        QCOMPARE(m_card->inputMappings.at(0).codedValue[4], 0u);

        click(t, 1, 4);
        QCOMPARE(m_card->inputMappings.at(1).codedValue[4], 0u);
        QVERIFY(box(t, 4, 4)->isEnabled());

        click(t, 7, 0);  // "Zone2 HV/LV" in input 1
        QCOMPARE(m_card->inputMappings.at(0).codedValue[0], 8u);
        for (int row = 4; row < 8; ++row)
            click(t, row, 7);
        QCOMPARE(m_card->inputMappings.at(0).codedValue[7], 15u);
    }

    void textFileModeRules()
    {
        {
            m_energizer->outputMappings = {record(0)};
            MappingDlg dlg;
            dlg.textFileMode = true;
            dlg.prepareEnergizerPage(m_energizer);
            QVERIFY(!button(dlg, "btnAddCard")->isHidden());
            QString seen;
            answerBox(&seen, QMessageBox::Ok);
            const ScopedHook picker(&MappingDlg::setElementPicker, [this](QWidget*, int, Node*) { return m_card; });
            QVERIFY(operatorClick(button(dlg, "btnAddCard")));
            QCOMPARE(seen, QStringLiteral("Warning|You arleady have one mapped card.\nPlease note:\nNo text file can be "
                                          "created\ndue to multiple mapping from an energizer"));
            QCOMPARE(m_energizer->outputMappings.size(), 1);

            m_energizer->outputMappings = {record(33)};
            dlg.prepareEnergizerPage(m_energizer);
            QVERIFY(button(dlg, "btnAddCard")->isHidden());
        }

        m_card->inputMappings = {record(2)};
        MappingDlg dlg;
        dlg.textFileMode = true;
        dlg.prepareCardPage(m_card);
        QTableWidget* t = table(dlg, "tableCardMapping");
        QVERIFY(button(dlg, "btnAddEnerg")->isHidden());
        auto enabledCells = [&] {
            QList<QPoint> cells;
            for (int row = 4; row < 8; ++row)
                for (int c = 0; c < MappingDlg::InputCount; ++c)
                    if (box(t, row, c) && box(t, row, c)->isEnabled())
                        cells.append(QPoint(c, row));
            return cells;
        };
        const QList<QPoint> fixed = {QPoint(0, 4), QPoint(2, 5), QPoint(1, 6), QPoint(3, 7)};
        QCOMPARE(enabledCells(), fixed);
        click(t, 4, 0);
        click(t, 2, 5);
        QCOMPARE(enabledCells(), QList<QPoint>());
        QCOMPARE(m_card->inputMappings.at(0).codedValue[0], 0u);
        click(t, 2, 5);
        QCOMPARE(enabledCells(), fixed);
    }

    void removeTakesTheWholeGroup_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QList<int>>("idsLeft");
        QTest::newRow("group header") << 8 << QList<int>{0, 1};
        QTest::newRow("Zone1 HV/LV of energizer 7") << 10 << QList<int>{0, 1};
        QTest::newRow("Global HV/LV") << 2 << QList<int>{0, 1, 7};
        QTest::newRow("no current row") << -1 << QList<int>{0, 1, 7};
    }

    void removeTakesTheWholeGroup()
    {
        QFETCH(int, row);
        QFETCH(QList<int>, idsLeft);
        m_card->inputMappings = {record(7), record(1), record(0, 4, 1)};
        MappingDlg dlg;
        dlg.prepareCardPage(m_card);
        QTableWidget* t = table(dlg, "tableCardMapping");
        t->setCurrentCell(row, 0);
        QVERIFY(operatorClick(button(dlg, "btnRemoveEnerg")));
        QList<int> ids;
        for (const MappingRecord& r : qAsConst(m_card->inputMappings))
            ids.append(r.id);
        QCOMPARE(ids, idsLeft);
    }

    void doubleClickOpensOnlyFromGroupHeaders()
    {
        m_energizer->outputMappings = {record(33)};
        MappingDlg dlg;
        dlg.prepareEnergizerPage(m_energizer);
        NestedDialogCatcher catcher(&dlg);
        QHeaderView* header = table(dlg, "tableEnergMapping")->verticalHeader();
        emit header->sectionDoubleClicked(2);  // "Relay 2": a row index, no device
        QCOMPARE(catcher.shown.size(), 0);
        emit header->sectionDoubleClicked(0);
        QCOMPARE(catcher.shown.size(), 1);
        QCOMPARE(catcher.shown.at(0).first, m_element->child(32));
        QCOMPARE(catcher.shown.at(0).second, QStringLiteral("Set IOCard mapping"));
    }

    void gatewayNodeEditsItsOwnList()
    {
        MappingDlg dlg;
        dlg.prepareEnergizerPage(m_element);
        QCOMPARE(dlg.findChild<QLabel*>("lblEnerg")->text(), QStringLiteral("Energizer #0 to IO Card Mapping"));
        Node* card = m_element->child(40);
        const ScopedHook picker(&MappingDlg::setElementPicker, [card](QWidget*, int, Node*) { return card; });
        QVERIFY(operatorClick(button(dlg, "btnAddCard")));
        QCOMPARE(m_element->outputMappings, QList<MappingRecord>{record(41)});
        QVERIFY(m_energizer->outputMappings.isEmpty());
    }

    void sortingAndDuplicateIds()
    {
        m_energizer->outputMappings = {record(40), record(33), record(33, 1, 0x2)};
        MappingDlg dlg;
        dlg.prepareEnergizerPage(m_energizer);
        QTableWidget* t = table(dlg, "tableEnergMapping");
        QCOMPARE(m_energizer->outputMappings.at(0).id, quint16(33));
        QCOMPARE(m_energizer->outputMappings.at(2).id, quint16(40));
        QCOMPARE(t->rowCount(), 30);
        click(t, 11, 5);  // second group of card 33, relay 1, "Fence2\nOn"
        const MappingRecord expected = record(33, 0, 0x20);
        QCOMPARE(m_energizer->outputMappings.at(0), expected);
        QCOMPARE(m_energizer->outputMappings.at(1), expected);
    }

    // A running control unit on its own thread; the dialog maps fence 1 alarm
    // of energizer 2 to relay 3 of card 33, and the next heartbeat switches
    // the relay. The mapping then survives the project file.
    void mappingReachesRelaysAndProjectFile()
    {
        GraphicsBox box(GraphicsBox::GatewayBox);
        box.setIP(QStringLiteral("127.0.0.1"));
        TreeModel model;
        model.setRootNode(new Node(QStringLiteral("Name")));
        model.insertNode(model.rootNode(), -1, box.node()->deviceNode);
        GatewaySimulator sim;
        QVERIFY(sim.listen());
        QByteArray energizer(32, '\0');
        energizer[0] = 2;
        energizer[12] = char(0x80);  // fence 1 alarm
        energizer[13] = energizer[20] = char(0x82);
        sim.setBlock(2, energizer);
        sim.setDeviceCounts(2, 1);

        qtClient::registerMetaTypes();
        qtClient client(0);
        LinkTiming timing;
        timing.sweepStartDelayMs = 10;
        client.setTiming(timing);
        client.setPort(sim.port());
        QThread thread;
        auto unit = std::make_unique<ControlUnit>();
        unit->energizerModel = &model;
        unit->moveToThread(&thread);
        unit->connectClient(&client, Qt::QueuedConnection);
        connect(unit.get(), &ControlUnit::sendCmd, &client, &qtClient::sendRequest, Qt::QueuedConnection);
        thread.start();
        const auto stop = qScopeGuard([&] {
            client.closeConnection();
            thread.quit();
            thread.wait();
        });
        client.moveTo(sim.address().toString());
        QVERIFY(sim.waitForConnection());
        sim.sendHeartbeat();
        QTRY_VERIFY_WITH_TIMEOUT(client.dataValid, 10000);

        MappingDlg dlg;
        dlg.prepareEnergizerPage(box.node()->child(1));
        Node* card = box.node()->child(32);
        const ScopedHook picker(&MappingDlg::setElementPicker, [card](QWidget*, int, Node*) { return card; });
        QVERIFY(operatorClick(button(dlg, "btnAddCard")));
        click(table(dlg, "tableEnergMapping"), 3, 10);
        sim.sendHeartbeat();
        const QByteArray relay3 = ControllerFrame::deviceCommand(33, 0, 0x04, 0, true);
        QTRY_VERIFY_WITH_TIMEOUT(sim.receivedWithFunction(16).contains(relay3), 5000);

        QDomDocument document;
        GraphicsBox copy(GraphicsBox::GatewayBox);
        copy.readXml(box.toXml(document));
        QCOMPARE(copy.node()->child(1)->outputMappings, QList<MappingRecord>{record(33, 2, 0x400)});
    }
};

QTEST_MAIN(TestMappingDlg)
#include "tst_mappingdlg.moc"
