#include "alarmsarea.h"
#include "commondlg.h"
#include "elementtreeproxymodel.h"
#include "filechooserhook.h"
#include "globals.h"
#include "gatewaysubtree.h"
#include "graphicsbox.h"
#include "graphicscircle.h"
#include "graphicsline.h"
#include "graphicsscene.h"
#include "graphicstextitem.h"
#include "formchild.h"
#include "mainwindow.h"
#include "scopedhook.h"
#include "sitetrees.h"
#include "workspacearea.h"
#include "devicestates.h"
#include "dialoglaunchers.h"
#include "elementtreearea.h"
#include "projectdocument.h"
#include "messageboxanswerer.h"
#include "node.h"
#include "operatorclick.h"
#include "paneledits.h"
#include "qtclient.h"
#include "property.h"
#include "propertypanel.h"
#include "propertyset.h"
#include "sitemutex.h"
#include "soundpath.h"
#include "testhome.h"
#include "treemodel.h"
#include "treepropertybrowser.h"
#include "variantmanager.h"
#include "variantproperty.h"

#include <QCheckBox>
#include <QGraphicsProxyWidget>
#include <QGraphicsView>
#include <QLineEdit>
#include <QDir>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTreeWidgetItem>
#include <QToolBar>
#include <QTreeView>
#include <QtTest>

#include <memory>

namespace {
// Row names of a panel in screen order, depth first; group rows as "[label]".
QStringList rowNames(const PropertySet* set)
{
    QStringList names;
    // Unnamed rows with a value are the parts of a colour or a font.
    std::function<void(Property*)> walk = [&](Property* p) {
        if (set->propertyNames.contains(p))
            names << set->propertyNames.value(p);
        else if (!p->hasValue())
            names << "[" + p->propertyName() + "]";
        else
            return;
        for (Property* sub : p->subProperties())
            walk(sub);
    };
    for (Property* top : set->browser->properties())
        walk(top);
    return names;
}

Property* row(const PropertySet* set, const QString& name)
{
    return set->propertyNames.key(name, nullptr);
}

VariantProperty* variantRow(const PropertySet* set, const QString& name)
{
    return set->manager->variantProperty(row(set, name));
}
} // namespace

// The docked panel and the popups: which rows each element shows, how the
// rows are locked, and what an edit, a button and a check box do.
class TestPropertyPanel : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void energizerRows();
    void unchangedHeartbeatChangesNothing_data();
    void unchangedHeartbeatChangesNothing();
    void workspaceRows();
    void mapItemRows_data();
    void mapItemRows();
    void readOnlyPass();
    void editsReachNodesAndItems();
    void renameRefusedForTakenName_data();
    void renameRefusedForTakenName();
    void editsUnderADrawingTool();
    void checkBoxesSendCommands_data();
    void checkBoxesSendCommands();
    void oneCommandPerClick();
    void popupFollowsItsEnergizer();
    void buttonRowsFromTheTreeSelection();
    void backgroundPicture();
    void gatewayAddressMovesTheLink_data();
    void gatewayAddressMovesTheLink();

private:
    PropertySet* docked() const { return window->propertyPanel()->dockedSet(); }
    // A heartbeat of the device that `element` shows, as the control unit delivers it.
    void heartbeat(Node* element)
    {
        Node* device = element->type == Node::FenceSector || element->type == Node::Gate ? element->parent() : element;
        window->deviceStates()->energHeartbeat(device->deviceNode, false);
    }
    // Map items take selections as in design mode; the panel stays outside it.
    void addToScene(QGraphicsItem* item)
    {
        window->workspaces()->currentScene()->addItem(item);
        window->workspaces()->currentScene()->setDesignMode(true);
    }
    // The row's editor opened and `text` typed over its text through the window system; null when it cannot be.
    QLineEdit* typeInto(const QString& name, const QString& text)
    {
        docked()->browser->editItem(docked()->browser->items(row(docked(), name)).first());
        auto* editor = docked()->browser->findChild<QLineEdit*>();
        return editor && operatorKey(editor, Qt::Key_A, Qt::ControlModifier) && operatorKey(editor, Qt::Key_Backspace)
                && operatorType(editor, text) ? editor : nullptr;
    }

    std::unique_ptr<TestHome> home;
    std::unique_ptr<MainWindow> window;
    GraphicsBox* gateway = nullptr;
    QList<Node*> ownedNodes;
};

void TestPropertyPanel::init()
{
    home = std::make_unique<TestHome>();
    QVERIFY(home->openDatabase());
    window = std::make_unique<MainWindow>();
    gateway = new GraphicsBox(GraphicsBox::GatewayBox);
    addToScene(gateway);
    ownedNodes = {gateway->node(), gateway->energizerNode()};
    window->trees()->rebuildEnergizerModel(*window->workspaces());
}

void TestPropertyPanel::cleanup()
{
    // Nothing to save: closing asks no question.
    window->project()->setModified(false);
    // The box owns its rows: out of the model, and off the model's root, before the window goes.
    window->trees()->energizerModel()->takeNode(gateway->energizerNode());
    {
        SiteLocker lock;
        gateway->energizerNode()->setParent(nullptr);
    }
    window.reset();
    qDeleteAll(ownedNodes);
    home->closeDatabase();
    home.reset();
}

void TestPropertyPanel::energizerRows()
{
    Node* energizer = gateway->node()->child(0);
    QCOMPARE(energizer->type, int(Node::Energizer));
    energizer->deviceNode->color[Node::MainColor] = QColor(1, 2, 3);
    energizer->deviceNode->color[Node::GateColor] = QColor(4, 5, 6);
    docked()->currentNode = energizer;
    window->propertyPanel()->fillPropertyBrowser(docked(), nullptr, energizer);
    QCOMPARE(rowNames(docked()),
             QStringList({"ID", "EnergizerName", "Status", "Duration", "Attempts", "LastTried", "Tamper", "MainFail",
                          "BatteryVoltage", "FenceReturnVolt1", "FenceReturnVolt2", "FenceCondition1",
                          "FenceCondition2", "FenceStatus1", "FenceStatus2", "FenceOn1", "FenceOn2",
                          "LowVoltageZone1", "LowVoltageZone2", "GateStatus", "ClearAlarm"}));
    // Values come from the status row: a device never heard from is in failure.
    QCOMPARE(variantRow(docked(), "Status")->value().toString(), QString("Failure"));
    QCOMPARE(variantRow(docked(), "ID")->value().toString(), QString("1"));
    QCOMPARE(variantRow(docked(), "LowVoltageZone1")->value().toBool(), true);
    QCOMPARE(variantRow(docked(), "ClearAlarm")->propertyType(), VariantManager::filePathTypeId());
    auto* browser = docked()->browser;
    QCOMPARE(browser->backgroundColor(browser->items(row(docked(), "Status")).first()), QColor(1, 2, 3));
    QCOMPARE(browser->backgroundColor(browser->items(row(docked(), "GateStatus")).first()), QColor(4, 5, 6));

    // A live update rewrites the shown rows in place, the rows stay the same objects.
    Property* status = row(docked(), "Status");
    {
        SiteLocker lock;
        energizer->deviceNode->setData(1, 0);
        energizer->deviceNode->outputArea[3] = 1; // zone 1 low voltage flag set
    }
    heartbeat(energizer);
    QCOMPARE(row(docked(), "Status"), status);
    QCOMPARE(variantRow(docked(), "Status")->value().toString(), QString("OK"));
    QCOMPARE(variantRow(docked(), "LowVoltageZone1")->value().toBool(), false);

    {
        SiteLocker lock;
        energizer->deviceNode->resetState();
    }
    heartbeat(energizer);
    QDir().mkpath(LUMETRA_ARTIFACTS_DIR);
    docked()->browser->resize(380, 560);
    docked()->browser->grab().save(QStringLiteral(LUMETRA_ARTIFACTS_DIR "/panel-energizer.png"));
    window->propertyPanel()->fillPropertyBrowser(docked(), gateway, nullptr);
    docked()->browser->grab().save(QStringLiteral(LUMETRA_ARTIFACTS_DIR "/panel-gateway.png"));
}

void TestPropertyPanel::unchangedHeartbeatChangesNothing_data()
{
    QTest::addColumn<QList<int>>("path");
    QTest::newRow("energizer") << QList<int>{0};
    QTest::newRow("sector 1") << QList<int>{0, 0};
    QTest::newRow("sector 2") << QList<int>{0, 1};
    QTest::newRow("gate") << QList<int>{0, 2};
    QTest::newRow("IO card") << QList<int>{GatewaySubtree::EnergizerCount};
}

// The fill shows what a heartbeat would write: one that brings nothing new
// changes no row and leaves the project unchanged.
void TestPropertyPanel::unchangedHeartbeatChangesNothing()
{
    QFETCH(QList<int>, path);
    Node* shown = gateway->node();
    for (int child : path)
        shown = shown->child(child);
    docked()->currentNode = shown;
    window->propertyPanel()->fillPropertyBrowser(docked(), nullptr, shown);
    window->project()->setModified(false);
    const auto snapshot = [this] {
        QStringList rows;
        auto* browser = docked()->browser;
        for (Property* property : browser->properties())
            rows << property->propertyName() + '=' + property->valueText() + '/'
                        + browser->backgroundColor(browser->items(property).first()).name();
        return rows;
    };
    const QStringList filled = snapshot();
    heartbeat(shown);
    QCOMPARE(snapshot(), filled);
    QVERIFY(!window->project()->isModified());
}

void TestPropertyPanel::workspaceRows()
{
    docked()->currentNode = nullptr;
    QList<Node*>& sounds = *window->alarms()->editableSoundAlarms();
    // The settings' own sound alarms step aside for two of the test's.
    const QList<Node*> configured = std::exchange(sounds, {});
    for (int i = 0; i < 2; ++i) {
        auto* sound = new Node(QString("Sound%1").arg(i));
        sound->type = Node::SoundAlarm;
        sound->columns = {QString("Alarm %1").arg(i), QVariant::fromValue(SoundPath{"ok.wav", "warn.wav", "crit.wav"})};
        sounds.append(sound);
    }
    Node workplace;
    workplace.type = Node::Workplace;
    window->propertyPanel()->fillPropertyBrowser(docked(), nullptr, &workplace);
    const QStringList names = rowNames(docked());
    QCOMPARE(names.mid(0, 4), QStringList({"WorkspaceCaption", "Bground image", "SoundAlarmActive", "[Sound alarms]"}));
    QCOMPARE(names.mid(4), QStringList({"Sound_0", "OKSound0", "WarningSound0", "CriticalSound0", "Sound_1",
                                        "OKSound1", "WarningSound1", "CriticalSound1", "[Text alarm]",
                                        "TextAlarmBackground", "TextAlarmCaption", "TextAlarmMode"}));
    QCOMPARE(row(docked(), "TextAlarmMode")->propertyName(), QString("Blinking caption"));
    QCOMPARE(variantRow(docked(), "TextAlarmMode")->attributeValue("enumNames").toStringList(),
             QStringList({"Blink background", "Change caption"}));
    QCOMPARE(variantRow(docked(), "WarningSound1")->value().toString(), QString("warn.wav"));

    // Edits of sound rows land in the list entry their name ends with; a stale index is ignored.
    variantRow(docked(), "Sound_1")->setValue("Gate bell");
    variantRow(docked(), "CriticalSound1")->setValue("bell.wav");
    QCOMPARE(sounds.at(1)->data(0).toString(), QString("Gate bell"));
    QCOMPARE(sounds.at(1)->data(1).value<SoundPath>().criticalSound, QString("bell.wav"));
    delete sounds.takeLast();
    variantRow(docked(), "OKSound1")->setValue("gone.wav");
    QCOMPARE(sounds.at(0)->data(1).value<SoundPath>().okSound, QString("ok.wav"));
    window->propertyPanel()->fillPropertyBrowser(docked(), nullptr, nullptr);
    qDeleteAll(sounds);
    sounds = configured;
}

void TestPropertyPanel::mapItemRows_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("rows");
    const QString background = QString::fromUtf8("Background\xD0\xA1olor");
    const QString border = QString::fromUtf8("Border\xD0\xA1olor");
    QTest::newRow("text box") << int(GraphicsBox::TextBox)
                              << QStringList{"Alignment", background, "Font",       "FontColor", border,
                                             "Caption",   "ShowBorder", "StateEnable", "ObjectName"};
    QTest::newRow("gateway box") << int(GraphicsBox::GatewayBox)
                                 << QStringList{"ObjectName", "Logo", "IP", "GlobalCommand", "ClearAlarm"};
    QTest::newRow("button box") << int(GraphicsBox::ButtonBox)
                                << QStringList{"ObjectName", "Font", "BtnCaption", "BtnCheckable", "Command",
                                               "CmdTarget"};
    QTest::newRow("image box") << int(GraphicsBox::ImageBox) << QStringList{"ObjectName"};
    QTest::newRow("fence line") << -1 << QStringList{"ObjectName", "StateEnable"};
}

void TestPropertyPanel::mapItemRows()
{
    QFETCH(int, kind);
    QFETCH(QStringList, rows);
    QGraphicsItem* item = kind < 0 ? static_cast<QGraphicsItem*>(new GraphicsLine)
                                   : static_cast<QGraphicsItem*>(new GraphicsBox(kind));
    addToScene(item);
    auto* element = dynamic_cast<GraphicsHelperClass*>(item);
    // A picture box frees its own node.
    if (kind != GraphicsBox::ImageBox)
        ownedNodes << element->node();
    if (kind == GraphicsBox::GatewayBox)
        ownedNodes << element->energizerNode();
    if (kind == GraphicsBox::TextBox)
        static_cast<GraphicsBox*>(item)->captionItem()->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    window->propertyPanel()->fillPropertyBrowser(docked(), item, nullptr);
    QCOMPARE(rowNames(docked()), rows);
    if (kind == GraphicsBox::TextBox) {
        QCOMPARE(variantRow(docked(), "Alignment")->value().toInt(), 1);
        QVERIFY(formChild(window.get(), "actAlignCenter")->isChecked());
    }
    if (kind == GraphicsBox::GatewayBox)
        QCOMPARE(variantRow(docked(), "Logo")->attributeValue("enumNames").toStringList(), GraphicsBox::LogoMakes);
    if (kind == GraphicsBox::ButtonBox)
        QCOMPARE(variantRow(docked(), "CmdTarget")->attributeValue("readOnly").toBool(), true);
}

void TestPropertyPanel::readOnlyPass()
{
    Node* card = gateway->node()->child(GatewaySubtree::EnergizerCount);
    QCOMPARE(card->type, int(Node::IOCard));
    window->propertyPanel()->fillPropertyBrowser(docked(), nullptr, card);
    const QBrush hatched(Qt::red, Qt::Dense6Pattern);
    const auto check = [&](const QString& name, bool editable, bool isHatched) {
        QTreeWidgetItem* item = docked()->browser->propertyTreeItem(row(docked(), name));
        QCOMPARE(bool(item->flags() & Qt::ItemIsEditable), editable);
        QCOMPARE(item->background(0), isHatched ? hatched : QBrush());
    };
    // No user logged in: no right to send commands.
    for (bool design : {false, true}) {
        window->propertyPanel()->setReadOnly(design);
        check("IOCardName", design, !design);
        check("Relay3", false, true);
        check("Input1", design, !design);
    }
    // Rights changed in the user administration reach the open panel.
    g_currentUser = QStringLiteral("admin");
    window->applyUserRights();
    g_currentUser.clear();
    check("Relay3", true, false);
    auto* fence = new GraphicsLine;
    addToScene(fence);
    ownedNodes << fence->node();
    window->propertyPanel()->setReadOnly(false);
    window->propertyPanel()->fillPropertyBrowser(docked(), fence, nullptr);
    check("StateEnable", true, false);
    check("ObjectName", false, true);
}

void TestPropertyPanel::editsReachNodesAndItems()
{
    auto* first = new GraphicsBox(GraphicsBox::TextBox);
    auto* second = new GraphicsBox(GraphicsBox::TextBox);
    auto* fence = new GraphicsLine;
    for (GraphicsHelperClass* element : QList<GraphicsHelperClass*>{first, second, fence}) {
        addToScene(element->item());
        ownedNodes << element->node();
    }
    first->setSelected(true);
    second->setSelected(true);
    window->propertyPanel()->setDesignMode(true);
    window->propertyPanel()->fillPropertyBrowser(docked(), first, nullptr);
    window->project()->setModified(false);
    // A caption follows the keys as they are typed.
    QVERIFY(typeInto("Caption", "North gate"));
    QCOMPARE(first->caption(), QString("North gate"));
    QCOMPARE(second->caption(), QString("North gate"));
    QVERIFY(window->project()->isModified());
    // A caption typed on the map reaches the panel showing its element.
    docked()->currentNode = first->node();
    first->setCaption("South gate");
    window->workspaces()->currentScene()->textItemLostFocus(first->captionItem());
    QCOMPARE(variantRow(docked(), "Caption")->value().toString(), QString("South gate"));

    // The select tool fills the panel from the item and points it at the item's node.
    window->workspaces()->currentScene()->clearSelection();
    fence->setSelected(true);
    window->actionGroupClicked(formChild(window.get(), "actSelectObject"));
    QCOMPARE(docked()->node(), fence->node());
    variantRow(docked(), "StateEnable")->setValue(false);
    QVERIFY(!fence->node()->enabled);

    // A device value written into the panel is not an edit.
    Node* energizer = gateway->node()->child(1);
    docked()->currentNode = energizer;
    window->propertyPanel()->fillPropertyBrowser(docked(), nullptr, energizer);
    window->project()->setModified(false);
    docked()->setValue("Status", "OK");
    QVERIFY(!window->project()->isModified());
    variantRow(docked(), "EnergizerName")->setValue("West");
    QCOMPARE(energizer->data(0).toString(), QString("West"));
    QCOMPARE(energizer->deviceNode->data(0).toString(), QString("West"));
}

void TestPropertyPanel::renameRefusedForTakenName_data()
{
    QTest::addColumn<int>("kind"); // a box's kind; -1 a line, -2 a TW sector
    QTest::addColumn<QString>("typed");
    QTest::addColumn<Qt::Key>("finish");
    // A box's and a line's ObjectName and a sector's TWSectorName each reach
    // their element their own way: each name is taken, and refused, as is a blank one.
    QTest::newRow("text box, fence12, Return") << int(GraphicsBox::TextBox) << "fence12" << Qt::Key_Return;
    QTest::newRow("text box, fence1, Tab") << int(GraphicsBox::TextBox) << "fence1" << Qt::Key_Tab;
    QTest::newRow("text box, box9, Return") << int(GraphicsBox::TextBox) << "box9" << Qt::Key_Return;
    QTest::newRow("line, fence12, Tab") << -1 << "fence12" << Qt::Key_Tab;
    QTest::newRow("line, fence1, Return") << -1 << "fence1" << Qt::Key_Return;
    QTest::newRow("TW sector, fence12, Return") << -2 << "fence12" << Qt::Key_Return;
    QTest::newRow("TW sector, fence1, Tab") << -2 << "fence1" << Qt::Key_Tab;
    QTest::newRow("text box, empty, Return") << int(GraphicsBox::TextBox) << "" << Qt::Key_Return;
    QTest::newRow("TW sector, blank, Tab") << -2 << "  " << Qt::Key_Tab;
}

// Typed through the window over the name "box9", "fence1" being taken: the
// element takes the whole name when the editing ends, or keeps its own, told
// once, when the name is taken or blank.
void TestPropertyPanel::renameRefusedForTakenName()
{
    QFETCH(int, kind);
    QFETCH(QString, typed);
    QFETCH(Qt::Key, finish);
    gateway->setName("fence1");
    GraphicsHelperClass* element = kind == -1 ? static_cast<GraphicsHelperClass*>(new GraphicsLine)
        : kind == -2 ? static_cast<GraphicsHelperClass*>(new GraphicsCircle(GraphicsCircle::PlacedKind))
                     : new GraphicsBox(kind);
    addToScene(element->item());
    ownedNodes << element->node();
    element->setName("box9");
    element->item()->setSelected(true);
    window->propertyPanel()->setDesignMode(true);
    docked()->currentNode = element->node();
    window->propertyPanel()->fillPropertyBrowser(docked(), element->item(), nullptr);
    window->project()->setModified(false);
    QSignalSpy userLog(window.get(), &MainWindow::writeUserActionLog);
    MessageBoxAnswerer answerer;
    const QString rowName = kind == -2 ? "TWSectorName" : "ObjectName";
    QLineEdit* editor = typeInto(rowName, typed);
    QVERIFY(editor);
    QCOMPARE(element->objectName(), QString("box9"));
    QVERIFY(operatorKey(editor, finish));
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const QString refusal = typed == "fence1" ? "Such name already present!" : typed.trimmed().isEmpty() ? "A name cannot be empty!" : "";
    const QString ends = refusal.isEmpty() ? typed : "box9";
    QCOMPARE(answerer.seen(), refusal.isEmpty() ? QStringList() : QStringList{"Error:" + refusal});
    QCOMPARE(element->objectName(), ends);
    QCOMPARE(element->node()->data(kind == -2 ? 0 : 1).toString(), ends);
    QCOMPARE(variantRow(docked(), rowName)->value().toString(), ends);
    QCOMPARE(docked()->browser->propertyTreeItem(row(docked(), rowName))->text(1), ends);
    QCOMPARE(window->project()->isModified(), ends != "box9");
    // A rename is no user action.
    QCOMPARE(userLog.size(), 0);
}

// With a drawing tool chosen, which selects nothing on the map, the element
// chosen in the tree takes what is typed in its panel (the format tools, which
// act on the selection, stay off), and a save all of it, Return or not.
void TestPropertyPanel::editsUnderADrawingTool()
{
    auto* fence = new GraphicsLine;
    addToScene(fence);
    window->trees()->elementModel()->insertNode(window->trees()->elementModel()->rootNode()->child(0), -1, fence->node());
    const MessageBoxAnswerer yes(QMessageBox::Yes);
    formChild(window.get(), "actDesignMode")->trigger();
    QVERIFY(operatorClick(formChild<QToolBar>(window.get(), "mapEditToolBar")->widgetForAction(formChild(window.get(), "actDrawLine"))));
    auto* tree = formChild<QTreeView>(window.get(), "treeView");
    const QModelIndex shown = window->elementTree()->proxy()->mapFromSource(window->trees()->elementModel()->nodeIndex(fence->node()));
    QVERIFY(operatorClick(tree->viewport(), tree->visualRect(shown).center()));
    QVERIFY(!formChild(window.get(), "actBorderColor")->isEnabled());
    QVERIFY(operatorKey(typeInto("ObjectName", "lineNew"), Qt::Key_Return));
    QCOMPARE((QStringList{fence->objectName(), tree->currentIndex().data().toString()}), (QStringList{"lineNew", "lineNew"}));
    QVERIFY(typeInto("ObjectName", "lineTyped"));
    window->project()->currentFileName = home->filePath("site.xml");
    QVERIFY(operatorClick(formChild<QToolBar>(window.get(), "fileToolBar")->widgetForAction(formChild(window.get(), "actSave"))));
    QFile saved(window->project()->currentFileName);
    QVERIFY(saved.open(QIODevice::ReadOnly) && saved.readAll().contains("name=\"lineTyped\""));
    QVERIFY(!formChild(window.get(), "actSave")->isEnabled() && fence->objectName() == "lineTyped");
    // A name being typed is a change the question before Open (New, Exit) offers to save.
    QVERIFY(typeInto("ObjectName", "lineAsked"));
    const ScopedHook cancelled(&ProjectDocument::setOpenFileChooser,
                               [](QWidget*, const QString&, const QString&, const QString&) { return QString(); });
    QVERIFY(operatorClick(formChild<QToolBar>(window.get(), "fileToolBar")->widgetForAction(formChild(window.get(), "actOpen"))));
    saved.close();
    QVERIFY(yes.seen().filter("Saving:").size() == 1 && saved.open(QIODevice::ReadOnly)
            && saved.readAll().contains("name=\"lineAsked\""));
}

void TestPropertyPanel::checkBoxesSendCommands_data()
{
    QTest::addColumn<int>("device");
    QTest::addColumn<QString>("rowName");
    QTest::addColumn<int>("command");
    QTest::newRow("relay 5") << GatewaySubtree::EnergizerCount << "Relay5" << int(ActivateRelay5);
    QTest::newRow("zone 2") << 0 << "FenceOn2" << int(ActivateEnergZone2);
    QTest::newRow("low voltage 1") << 0 << "LowVoltageZone1" << int(LowVoltageZone1);
    QTest::newRow("not a command") << 0 << "EnergizerName" << -1;
}

void TestPropertyPanel::checkBoxesSendCommands()
{
    QFETCH(int, device);
    QFETCH(QString, rowName);
    QFETCH(int, command);
    Node* node = gateway->node()->child(device);
    docked()->currentNode = node;
    window->propertyPanel()->fillPropertyBrowser(docked(), nullptr, node);
    QSignalSpy commands(window.get(), &MainWindow::command);
    window->propertyPanel()->edits()->chkClick(docked(), row(docked(), rowName), true);
    QCOMPARE(commands.size(), command < 0 ? 0 : 1);
    if (command >= 0) {
        QCOMPARE(commands.first().at(1).value<CommandSend>(), CommandSend(command));
        QCOMPARE(commands.first().at(2).toBool(), true);
    }
}

void TestPropertyPanel::oneCommandPerClick()
{
    g_currentUser = QStringLiteral("admin");
    Node* card = gateway->node()->child(GatewaySubtree::EnergizerCount);
    docked()->currentNode = card;
    window->propertyPanel()->fillPropertyBrowser(docked(), nullptr, card);
    docked()->browser->editItem(docked()->browser->items(row(docked(), "Relay2")).first());
    auto* checkBox = docked()->browser->findChild<QCheckBox*>();
    QVERIFY(checkBox);
    QSignalSpy commands(window.get(), &MainWindow::command);
    QVERIFY(operatorClick(checkBox, QPoint(8, checkBox->height() / 2)));
    QCOMPARE(commands.size(), 1);
    QCOMPARE(commands.first().at(1).value<CommandSend>(), ActivateRelay2);
    QCOMPARE(commands.first().at(2).toBool(), true);
    // The device's state written back into the open editor sends nothing.
    heartbeat(card);
    QCOMPARE(variantRow(docked(), "Relay2")->value().toBool(), false);
    QCOMPARE(commands.size(), 1);
    g_currentUser.clear();
}

void TestPropertyPanel::popupFollowsItsEnergizer()
{
    // A text box hanging as an action under sector 1 of energizer 3.
    Node* energizer = gateway->node()->child(2);
    auto* box = new GraphicsBox(GraphicsBox::TextBox);
    addToScene(box);
    QVERIFY(box->node()->insertInto(energizer->child(0), energizer->child(0)->childCount()));
    window->workspaces()->currentScene()->showEnergParams(box);
    QCOMPARE(window->propertyPanel()->popupSets().size(), 1);
    PropertySet* popupSet = window->propertyPanel()->popupSets().first();
    auto* popup = qobject_cast<CommonDlg*>(popupSet->parent());
    QVERIFY(popup && popup->isVisible());
    QCOMPARE(popup->windowTitle(), "Energizer property " + energizer->data(0).toString());
    QCOMPARE(popup->size(), QSize(250, 450));
    QCOMPARE(popup->minimumSize(), popup->maximumSize());
    QCOMPARE(rowNames(popupSet).size(), 21);
    QVERIFY(!popup->findChild<QPushButton*>("btnOK")->isVisible());

    // An edit in the popup is an edit like one in the dock.
    variantRow(popupSet, "EnergizerName")->setValue("East");
    QCOMPARE(energizer->data(0).toString(), QString("East"));
    // Its command rows act on its energizer, not on the tree's current row.
    QSignalSpy commands(window.get(), &MainWindow::command);
    window->propertyPanel()->edits()->customBtnClick(popupSet, row(popupSet, "ClearAlarm"));
    QCOMPARE(commands.size(), 1);
    QCOMPARE(commands.first().at(0).value<Node*>(), energizer->deviceNode);

    // The energizer goes while the popup is open: live updates and edits pass it by.
    Node* statusRow = energizer->deviceNode;
    window->workspaces()->currentScene()->removeItem(box);
    delete box;
    QVERIFY(gateway->node()->removeChild(2));
    QVERIFY(!popupSet->node());
    window->deviceStates()->energHeartbeat(statusRow, false);
    variantRow(popupSet, "EnergizerName")->setValue("Gone");
    popup->reject();
    QTRY_COMPARE_WITH_TIMEOUT(window->propertyPanel()->popupSets().size(), 0, 5000);

    // A line under no sector has no energizer to show: the operator is told so.
    auto* fence = new GraphicsLine;
    addToScene(fence);
    QVERIFY(fence->node()->insertInto(window->trees()->elementModel()->rootNode()->child(0), 0));
    MessageBoxAnswerer answerer;
    window->propertyPanel()->showPopupParams(fence);
    QCOMPARE(window->propertyPanel()->popupSets().size(), 0);
    QCOMPARE(answerer.seen().size(), 1);
}

void TestPropertyPanel::buttonRowsFromTheTreeSelection()
{
    TreeModel* elements = window->trees()->elementModel();
    Node* workplace = elements->rootNode()->child(0);
    QVERIFY(elements->insertNode(workplace, -1, gateway->node()));
    ownedNodes.removeOne(gateway->node());
    // Choosing a map element in the tree fills the panel from its item.
    const QModelIndex source = elements->nodeIndex(gateway->node());
    formChild<QTreeView>(window.get(), "treeView")->setCurrentIndex(window->elementTree()->proxy()->mapFromSource(source));
    QCOMPARE(docked()->node(), gateway->node());
    QCOMPARE(rowNames(docked()), QStringList({"ObjectName", "Logo", "IP", "GlobalCommand", "ClearAlarm"}));

    QSignalSpy commands(window.get(), &MainWindow::command);
    const auto sent = [&](CommandSend command, int value) {
        return std::any_of(commands.cbegin(), commands.cend(), [&](const QList<QVariant>& args) {
            return args.at(1).value<CommandSend>() == command && args.at(2).toInt() == value;
        });
    };
    PanelEdits* edits = window->propertyPanel()->edits();
    edits->setGlobalCommandChooser([](QWidget*, int*) { return false; });
    window->propertyPanel()->edits()->customBtnClick(docked(), row(docked(), "GlobalCommand"));
    QCOMPARE(commands.size(), 0);

    // A map button's "Command" row stores the chosen action in the button.
    auto* button = new GraphicsBox(GraphicsBox::ButtonBox);
    addToScene(button);
    QVERIFY(elements->insertNode(workplace, -1, button->node()));
    formChild<QTreeView>(window.get(), "treeView")->setCurrentIndex(
        window->elementTree()->proxy()->mapFromSource(elements->nodeIndex(button->node())));
    QCOMPARE(rowNames(docked()).last(), QString("CmdTarget"));
    Node* target = gateway->node()->child(0);
    edits->setButtonActionChooser([target](QWidget*, PanelEdits::ButtonAction* action) {
        *action = {target, ActivateEnergZone1, QStringLiteral("Zone 1 on")};
        return true;
    });
    window->propertyPanel()->edits()->customBtnClick(docked(), row(docked(), "Command"));
    QCOMPARE(variantRow(docked(), "Command")->value().toString(), QString("Zone 1 on"));
    QCOMPARE(variantRow(docked(), "CmdTarget")->value().toString(), target->data(0).toString());
    QCOMPARE(button->actionTarget(), target);
    QCOMPARE(button->actionCommand(), int(ActivateEnergZone1));
    // A pasted copy given a target sends from its own button too.
    button->setSelected(true);
    formChild(window.get(), "actCopy")->trigger();
    formChild(window.get(), "actPaste")->trigger();
    auto* copy = static_cast<GraphicsBox*>(window->workspaces()->currentScene()->selectedItems().value(0));
    copy->setActionTarget(target);
    copy->setActionCommand(ActivateEnergZone1);
    // Pressed, it sends only for a user with the right to send commands.
    MessageBoxAnswerer answerer;
    commands.clear();
    button->sendActionCommand();
    g_currentUser = QStringLiteral("admin");
    button->sendActionCommand();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QGraphicsView* map = window->workspaces()->currentScene()->views().first();
    const QPointF pressed = copy->actionButton()->graphicsProxyWidget()->sceneBoundingRect().center();
    map->centerOn(pressed);
    QVERIFY(operatorClick(map->viewport(), map->mapFromScene(pressed)));
    g_currentUser.clear();
    QVERIFY(commands.size() == 2 && answerer.seen().size() == 1);

    // The button is current in the tree: the gateway's panel still commands the gateway.
    docked()->currentNode = gateway->node();
    window->propertyPanel()->fillPropertyBrowser(docked(), gateway, nullptr);
    edits->setGlobalCommandChooser([](QWidget*, int* mode) {
        *mode = 2; // On, Low
        return true;
    });
    window->propertyPanel()->edits()->customBtnClick(docked(), row(docked(), "GlobalCommand"));
    QVERIFY(sent(GlobalMode, 2));

    // An action hung under a sector from the tree takes on the sector's state at once.
    struct HangAnswer : DialogLaunchers
    {
        using DialogLaunchers::DialogLaunchers;
        Node* actionManager(GraphicsScene*) override { return hung; }
        Node* hung = nullptr;
    };
    auto* text = new GraphicsBox(GraphicsBox::TextBox);
    addToScene(text);
    QVERIFY(elements->insertNode(workplace, -1, text->node()));
    text->setBackgroundColor(Qt::yellow);
    auto hang = std::make_unique<HangAnswer>(window.get());
    hang->hung = text->node();
    window->setDialogLaunchers(std::move(hang));
    Node* sector = gateway->node()->child(0)->child(0);
    formChild<QTreeView>(window.get(), "treeView")->setCurrentIndex(
        window->elementTree()->proxy()->mapFromSource(elements->nodeIndex(sector)));
    window->elementTree()->showActionManager();
    QCOMPARE(text->node()->parent(), sector);
    // No heartbeat yet: the box shows the energizer's failure.
    QCOMPARE(text->displayBackgroundColor(), QColor(Qt::white));
}

void TestPropertyPanel::backgroundPicture()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("site.png");
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    QVERIFY(picture.save(path));
    QString answer = path;
    const ScopedHook chooser(&FileChooserHook::setOpenFileChooser,
                             [&](QWidget*, const QString&, const QString&, const QString&) { return answer; });
    Node workplace;
    workplace.type = Node::Workplace;
    window->propertyPanel()->fillPropertyBrowser(docked(), nullptr, &workplace);
    const auto imageBox = [&]() -> GraphicsBox* {
        for (QGraphicsItem* item : window->workspaces()->currentScene()->items()) {
            auto* box = dynamic_cast<GraphicsBox*>(item);
            if (box && box->kind() == GraphicsBox::ImageBox)
                return box;
        }
        return nullptr;
    };
    window->propertyPanel()->edits()->customBtnClick(docked(), row(docked(), "Bground image"));
    GraphicsBox* box = imageBox();
    QVERIFY(box);
    QCOMPARE(box->elementPos(), QPointF(-23, -23));
    QCOMPARE(QSizeF(box->width(), box->height()), QSizeF(64, 48));
    QCOMPARE(box->zValue(), 0.0);
    // A cancelled chooser keeps the picture; a file that is no picture empties it.
    answer.clear();
    window->propertyPanel()->edits()->customBtnClick(docked(), row(docked(), "Bground image"));
    QCOMPARE(box->width(), 64.0);
    answer = dir.filePath("notes.png");
    QFile notes(answer);
    QVERIFY(notes.open(QIODevice::WriteOnly) && notes.write("not a picture") > 0);
    notes.close();
    window->propertyPanel()->edits()->customBtnClick(docked(), row(docked(), "Bground image"));
    QCOMPARE(imageBox(), box);
    QCOMPARE(QSizeF(box->width(), box->height()), QSizeF(0, 0));
}

void TestPropertyPanel::gatewayAddressMovesTheLink_data()
{
    QTest::addColumn<QString>("typo");
    QTest::addColumn<bool>("boxHasTheAddress");
    for (const char* typo : {"10.1", "010.0.0.1", "1.2.3.4 ", "256.1.1.1", "gateway"})
        QTest::newRow(typo) << QString(typo) << false;
    // The link dials another box: the box's own address typed again moves it.
    QTest::newRow("the box's own address") << QString("10.1") << true;
}

// Typing reaches neither the box nor the link; Return hands the text over:
// a typo is refused with the wizard's message, an address moves the link.
void TestPropertyPanel::gatewayAddressMovesTheLink()
{
    QFETCH(QString, typo);
    QFETCH(bool, boxHasTheAddress);
    if (boxHasTheAddress)
        gateway->setIP(QStringLiteral("127.0.0.1"));
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress(QStringLiteral("127.0.0.1"))));
    QSignalSpy connections(&server, &QTcpServer::newConnection);
    window->units()->fenceClient()->setPort(server.serverPort());
    const QString before = gateway->ip();
    window->propertyPanel()->setDesignMode(true);
    docked()->currentNode = gateway->node();
    window->propertyPanel()->fillPropertyBrowser(docked(), gateway, nullptr);
    for (const QString& text : {typo, QStringLiteral("127.0.0.1")}) {
        // A message box may have closed the previous editor.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QLineEdit* editor = typeInto("IP", text);
        QVERIFY(editor);
        QCOMPARE(gateway->ip(), before);
        MessageBoxAnswerer answerer;
        QVERIFY(operatorKey(editor, Qt::Key_Return));
        QCOMPARE(answerer.seen().value(0), text == typo ? QString("Error:\"%1\" is not an IPv4 address.").arg(typo) : QString());
    }
    QTRY_VERIFY_WITH_TIMEOUT(!connections.isEmpty(), 5000);
    QCOMPARE(window->units()->fenceClient()->address(), QString("127.0.0.1"));
    QCOMPARE(gateway->energizerNode()->child(0)->data(11).toString(), QString("127.0.0.1"));
    window->units()->fenceClient()->closeConnection();
}

QTEST_MAIN(TestPropertyPanel)
#include "tst_propertypanel.moc"
