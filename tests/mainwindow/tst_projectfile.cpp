#include "formchild.h"
#include "globals.h"
#include "mainwindow.h"
#include "elementtreearea.h"
#include "scopedhook.h"
#include "sitetrees.h"

#include "commandrouter.h"
#include "commondlg.h"
#include "dialoglaunchers.h"
#include "elementtreeproxymodel.h"
#include "fileedit.h"
#include "graphicscircle.h"
#include "graphicsline.h"
#include "itemxml.h"
#include "paneledits.h"
#include "propertypanel.h"
#include "propertyset.h"
#include "scenemouse.h"

#include "alarmsarea.h"
#include "controlunit.h"
#include "devicestates.h"
#include "gatewaysimulator.h"
#include "graphicsbox.h"
#include "graphicsscene.h"
#include "messageboxanswerer.h"
#include "loggedtext.h"
#include "messagecatcher.h"
#include "modalanswerer.h"
#include "nightlycleanup.h"
#include "noonclock.h"
#include "operatorclick.h"
#include "popupanswerer.h"
#include "projectdocument.h"
#include "projectfiles.h"
#include "projectlimits.h"
#include "projectloader.h"
#include "sqlrows.h"
#include "simulatedlink.h"
#include "qtclient.h"
#include "qtclienttw.h"
#include "testhome.h"
#include "timerunit.h"
#include "treemodel.h"
#include "treepropertybrowser.h"
#include "workspacearea.h"

#include <QCheckBox>
#include <QGraphicsProxyWidget>
#include <QGraphicsView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidgetItem>
#include <QTreeView>
#include <QUndoStack>
#include <QWizard>

#include <optional>
#include <QtTest>

namespace {

const QString HandWritten = QStringLiteral(LUMETRA_SOURCE_DIR "/tests/data/handwritten-project.xml");
const QString AlarmSource = QStringLiteral("Energ7");
const QString AlarmReason = QStringLiteral("Alarm");
const QString AlarmInfo = QStringLiteral("change status to Alarm");
// One workspace over the limit a project may hold.
const QByteArray TooManyWorkspaces = "<Project><Workplaces>" + QByteArray("<Workplace/>").repeated(101)
                                     + "</Workplaces></Project>";

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(data);
}

// Every element and attribute of `expected` is in `actual`: "Item" elements
// matched by name, others by position among their like-named siblings.
// Attributes in `normalised` may differ.
QStringList missing(const QDomElement& expected, const QDomElement& actual, const QSet<QString>& normalised,
                    const QString& path = QString())
{
    QStringList faults;
    const QString here = path + QLatin1Char('/') + expected.tagName() + QLatin1Char('[')
                         + expected.attribute(QStringLiteral("name")) + QLatin1Char(']');
    const QDomNamedNodeMap attributes = expected.attributes();
    for (int i = 0; i < attributes.count(); ++i) {
        const QDomAttr a = attributes.item(i).toAttr();
        if (!normalised.contains(a.name()) && actual.attribute(a.name(), QStringLiteral("<none>")) != a.value())
            faults << here + QLatin1Char('@') + a.name() + QLatin1Char('=') + actual.attribute(a.name());
    }
    QHash<QString, int> seen;
    for (QDomElement e = expected.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        const int n = seen[e.tagName()]++;
        QDomElement match = actual.firstChildElement(e.tagName());
        for (int k = 0; !match.isNull(); match = match.nextSiblingElement(e.tagName()), ++k) {
            if (e.tagName() == QLatin1String("Item") ? match.attribute(QStringLiteral("name")) == e.attribute(QStringLiteral("name"))
                                                       : k == n)
                break;
        }
        faults << (match.isNull() ? QStringList{here + QStringLiteral(" lacks ") + e.tagName()}
                                  : missing(e, match, normalised, here));
    }
    return faults;
}

// Answers the workspace set-up as given and the button action page with the next preset action.
class PresetLaunchers : public DialogLaunchers
{
public:
    using DialogLaunchers::DialogLaunchers;
    int workspaceSetup(QString&, QString&, int&) override { return QDialog::Accepted; }
    int buttonAction(ButtonAction& action) override
    {
        action = nextAction;
        return QDialog::Accepted;
    }
    Node* actionManager(GraphicsScene*) override { return nextActionNode; }
    ButtonAction nextAction;
    Node* nextActionNode = nullptr;
};

// The first item of type T on the scene that `wanted` takes.
template <typename T> T* itemOf(GraphicsScene* scene, const std::function<bool(T*)>& wanted = {})
{
    for (QGraphicsItem* item : scene->items()) {
        auto* typed = dynamic_cast<T*>(item);
        if (typed && (!wanted || wanted(typed)))
            return typed;
    }
    return nullptr;
}

// A left click in the middle of `widget`, through its window as the operator gives it.
void clickOn(QWidget* widget)
{
    QVERIFY(operatorClick(widget));
}

GraphicsBox* buttonOn(GraphicsScene* scene)
{
    return itemOf<GraphicsBox>(scene, [](GraphicsBox* box) { return box->kind() == GraphicsBox::ButtonBox; });
}

} // namespace

class TstProjectFile : public QObject
{
    Q_OBJECT

private:
    TestHome home;
    std::unique_ptr<MainWindow> window;
    PresetLaunchers* launchers = nullptr;
    QString chosenSaveName;
    QString chosenOpenName;
    std::function<void()> duringSaveDialog;
    // The file dialogs' stand-ins, for the whole run.
    std::optional<ScopedHook> saveChooser, openChooser;
    // The window's tick cleans the logs in the first minute after midnight,
    // which would add user actions the tests count: the logs' day stands at noon.
    const ScopedHook noon{&NightlyCleanup::setDefaultClock, &noonOfTheRun};

    QString path(const QString& name) const { return home.filePath(name); }

    // The save dialog's stand-in: the name a test step chose.
    ProjectDocument::FileNameChooser chosenName()
    {
        return [this](QWidget*, const QString&, const QString&, const QString&) {
            if (duringSaveDialog)
                std::exchange(duringSaveDialog, {})();
            return chosenSaveName;
        };
    }

    void open(const QString& fileName)
    {
        chosenOpenName = fileName;
        formChild(window.get(), "actOpen")->trigger();
    }

    void saveAs(const QString& fileName)
    {
        chosenSaveName = fileName;
        formChild(window.get(), "actSaveAs")->trigger();
    }

    // A project of `workplaces` written to `name` in the home; its path.
    QString writeProject(const QString& name, const QByteArray& workplaces)
    {
        writeFile(path(name), "<Project><Workplaces>" + workplaces + "</Workplaces></Project>");
        return path(name);
    }

    QByteArray saved()
    {
        saveAs(path("saved.xml"));
        return contents(path("saved.xml"));
    }

    // A click at `pos` of the map in front, through the window as the operator gives it.
    void clickMap(const QPointF& pos)
    {
        QGraphicsView* view = window->workspaces()->currentScene()->views().first();
        view->centerOn(pos);
        QVERIFY(operatorClick(view->viewport(), view->mapFromScene(pos)));
    }

    void clickItem(QGraphicsItem* item) { clickMap(item->sceneBoundingRect().center()); }

    void clickMapButton(GraphicsBox* box) { clickItem(box->actionButton()->graphicsProxyWidget()); }

    void showWindow()
    {
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

    void openForDesign(const QString& file)
    {
        open(file);
        showWindow();
        MessageBoxAnswerer answerer;
        formChild(window.get(), "actDesignMode")->trigger();
    }

    QLabel* label(const char* name) const { return formChild<QLabel>(window.get(), name); }

    // The gateway box at `ip` on the map in front.
    GraphicsBox* gatewayAt(const QString& ip) const
    {
        return itemOf<GraphicsBox>(window->workspaces()->currentScene(), [ip](GraphicsBox* box) { return box->ip() == ip; });
    }

    // `node` made the current row of the element tree.
    void selectInTree(Node* node)
    {
        const QModelIndex source = window->trees()->elementModel()->nodeIndex(node);
        formChild<QTreeView>(window.get(), "treeView")->setCurrentIndex(window->elementTree()->proxy()->mapFromSource(source));
    }

    // The docked panel, its row `name` open in its editor.
    PropertySet* editPanelRow(const char* name)
    {
        PropertySet* panel = window->propertyPanel()->dockedSet();
        panel->browser->editItem(panel->browser->items(panel->propertyNames.key(QLatin1String(name))).first());
        return panel;
    }

    // A click on the tool button of the action `name`.
    void clickTool(const char* name)
    {
        for (QWidget* button : formChild(window.get(), name)->associatedWidgets()) {
            if (qobject_cast<QToolButton*>(button))
                return clickOn(button);
        }
    }

    // "Clear alarms" of a TW system, from its panel as the operator gives it.
    void clearAlarmsOf(Node* system)
    {
        window->workspaces()->tabs()->setCurrentIndex(system->data(3).toInt());
        selectInTree(system->deviceNode);
        PropertySet* panel = editPanelRow("ClearAlarm");
        // The editor shows once the browser has settled, after the last panel's.
        const auto lastEdit = [panel] {
            const QList<FileEdit*> edits = panel->browser->findChildren<FileEdit*>();
            return edits.value(edits.size() - 1);
        };
        QTRY_VERIFY(lastEdit() && lastEdit()->isVisible());
        clickOn(lastEdit()->findChild<QToolButton*>());
    }

    // Opens `file` in the window, shown in design mode, and places a gateway
    // box there with its wizard cancelled on the first page; `boxes` stand then.
    void openAndCancelAWizard(const QString& file, int boxes)
    {
        open(file);
        showWindow();
        formChild(window.get(), "actDesignMode")->trigger();
        QGraphicsView* view = window->workspaces()->currentScene()->views().first();
        placeWithWizard(QString(), view->mapToScene(view->viewport()->rect().center()));
        QTRY_COMPARE(window->workspaces()->currentScene()->gatewayBoxes().size(), boxes);
    }

    // Places a gateway box at `at` of the map in front, its wizard finished
    // with `address`, or cancelled on its first page for none.
    void placeWithWizard(const QString& address, const QPointF& at)
    {
        answerNextModal([address](QWidget* modal) {
            auto* wizard = qobject_cast<QWizard*>(modal);
            if (wizard && address.isEmpty())
                return clickOn(wizard->button(QWizard::CancelButton));
            QVERIFY(operatorType(wizard->findChild<QLineEdit*>(), address));
            clickOn(wizard->button(QWizard::NextButton));
            clickOn(wizard->button(QWizard::FinishButton));
        });
        clickTool("actAddOsprelVellWizard");
        clickMap(at);
        QTRY_VERIFY(!QApplication::activeModalWidget());
    }

    // Places, on the current tab, a gateway box at `ip` (the wizard answered
    // with the address), a fence line hung under its energizer 1's Sector1
    // in the element tree, a sound alarm (the n-th gateway of the tab, the
    // n-th alarm) under its Sector2, and a button aimed at its energizer
    // `target` through the button's "Command" row, as the operator does.
    void placeSite(const QString& ip, int target)
    {
        GraphicsScene* scene = window->workspaces()->currentScene();
        const QList<QGraphicsItem*> before = scene->items();
        const auto isNew = [&before](QGraphicsItem* item) { return !before.contains(item); };
        const int y = 600 * scene->gatewayBoxes().size();
        SceneMouse mouse(scene);
        const ScopedHook wizard(&GraphicsScene::setGatewayWizardHook, [this, ip](GraphicsBox* box, QWidget*) {
            box->setIP(ip);
            window->trees()->rebuildEnergizerModel(*window->workspaces());
        });
        formChild(window.get(), "actAddOsprelVellWizard")->trigger();
        mouse.click(QPointF(400, 40 + y));
        QTRY_VERIFY(gatewayAt(ip));
        Node* gateway = gatewayAt(ip)->node();
        formChild(window.get(), "actDrawLine")->trigger();
        mouse.press(QPointF(40, 300 + y));
        mouse.move(QPointF(300, 300 + y));
        mouse.release(QPointF(300, 300 + y));
        formChild(window.get(), "actDrawButton")->trigger();
        mouse.click(QPointF(40, 500 + y));
        auto* fence = itemOf<GraphicsLine>(scene, isNew);
        GraphicsBox* button = itemOf<GraphicsBox>(scene, [&](GraphicsBox* box) { return isNew(box) && box->actionButton(); });
        QVERIFY(fence && button);
        QCOMPARE(fence->objectName(), QStringLiteral("fence%1").arg(1 + y / 600));

        TreeModel* tree = window->trees()->elementModel();
        const std::unique_ptr<QMimeData> dragged(tree->mimeData({tree->nodeIndex(fence->node())}));
        tree->dropMimeData(dragged.get(), Qt::MoveAction, 0, 0, tree->nodeIndex(gateway->child(0)->child(0)));
        QCOMPARE(fence->node()->parent(), gateway->child(0)->child(0));
        ItemXml::placeNode(ItemXml::soundAlarmCopy(&window->alarms()->soundAlarmNodes(),
                                                   window->alarms()->soundAlarmNodes().at(y / 600)->data(2).toString()),
                           gateway->child(0)->child(1), 0);

        aimButton(button, gateway->child(target - 1));
    }

    // Aims `button` at `target` through the button's "Command" row.
    void aimButton(GraphicsBox* button, Node* target)
    {
        selectInTree(button->node());
        launchers->nextAction = {target, 4, QStringLiteral("ActivateEnergZone1")};
        PropertySet* panel = window->propertyPanel()->dockedSet();
        window->propertyPanel()->edits()->customBtnClick(panel, panel->propertyNames.key(QStringLiteral("Command")));
        QCOMPARE(button->actionTarget(), target);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(home.openDatabase());
        // Each window starts empty, whatever the previous one opened.
        QSettings(path("setting.ini"), QSettings::IniFormat).setValue(QStringLiteral("LoadLastFile"), false);
        saveChooser.emplace(&ProjectDocument::setSaveFileChooser, chosenName());
        openChooser.emplace(&ProjectDocument::setOpenFileChooser,
                            [this](QWidget*, const QString&, const QString&, const QString&) { return chosenOpenName; });
    }

    void init()
    {
        window = std::make_unique<MainWindow>();
        auto presets = std::make_unique<PresetLaunchers>(window.get());
        launchers = presets.get();
        window->setDialogLaunchers(std::move(presets));
    }

    void cleanup()
    {
        window->project()->setModified(false);
        window.reset();
        g_currentUser.clear();
    }

    // A file written by hand opens whole, and saving it again changes only
    // what the program normalises; a second open and save is byte-identical,
    // in any run.
    void handWrittenFileRoundTrip()
    {
        MessageCatcher catcher;
        GatewaySimulator gateway;
        QVERIFY(gateway.listen(QHostAddress(QStringLiteral("127.0.0.7"))));
        window->units()->fenceClient()->setPort(gateway.port());
        open(HandWritten);
        QVERIFY(gateway.waitForConnection(11000));
        QCOMPARE(window->currentFileName(), HandWritten);
        QVERIFY(window->windowTitle().endsWith(QLatin1Char(' ') + HandWritten));
        QCOMPARE(window->windowFilePath(), HandWritten);
        QVERIFY(!window->project()->isModified());
        QCOMPARE(window->workspaces()->count(), 2);
        QCOMPARE(window->workspaces()->tabs()->tabText(1), QStringLiteral("Store"));
        QCOMPARE(window->workspaces()->tabs()->currentIndex(), 0);
        QCOMPARE(window->alarms()->alarmCaption(), QStringLiteral("INTRUSION"));
        QCOMPARE(window->units()->timerUnit()->timers().first().name, QStringLiteral("Night lights"));
        QCOMPARE(window->units()->fenceClient()->address(), QStringLiteral("127.0.0.7"));
        QCOMPARE(window->units()->twClient()->address(), QStringLiteral("127.0.0.8"));
        QCOMPARE(window->trees()->energizerModel()->rootNode()->childCount(), 1);
        GraphicsBox* button = buttonOn(window->workspaces()->sceneAt(0));
        QVERIFY(button);
        QCOMPARE(button->actionCommandName(), QStringLiteral("ActivateRelay8"));
        QVERIFY(button->actionTarget());
        QCOMPARE(button->actionTarget()->data(0).toString(), QStringLiteral("North gate"));

        // The dialog gives a typed name its suffix: the name it returns is written as it stands.
        saveAs(path("first"));
        QCOMPARE(window->currentFileName(), path("first"));
        QVERIFY(!window->project()->isModified());
        // An open that takes long shows how far it is, item by item.
        QList<int> progress;
        QTimer::singleShot(0, window.get(), [&] {
            if (auto* dialog = window->findChild<QProgressDialog*>())
                progress << dialog->isVisible() << dialog->value() << dialog->maximum();
        });
        {
            const ScopedHook progressDelay(&ProjectLoader::setProgressDelay, 0, -1);
            open(path("first"));
        }
        QCOMPARE(progress.size(), 3);
        QVERIFY(progress.at(0) && progress.at(1) > 0 && progress.at(1) < progress.at(2));
        QCOMPARE(progress.at(2), 6);
        // A map edit after the save is on an undo stack that was clean: the project is changed again.
        window->workspaces()->sceneAt(0)->undoStack()->push(new QUndoCommand(QStringLiteral("edit")));
        QVERIFY(window->project()->isModified());
        window->workspaces()->sceneAt(0)->undoStack()->undo();
        window->project()->setModified(false);
        const QByteArray first = contents(path("first"));
        QVERIFY(first.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Project "));
        QVERIFY(!first.contains("DOCTYPE"));
        QVERIFY(first.contains("\n  <ColorStatus "));
        QVERIFY(first.contains("\n    <Workplace "));

        QDomDocument original, saved;
        QVERIFY(original.setContent(contents(HandWritten)));
        QVERIFY(saved.setContent(first));
        QStringList order;
        for (QDomElement e = saved.documentElement().firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
            order << e.tagName();
        order.removeDuplicates();
        QCOMPARE(order, (QStringList{"ColorStatus", "SoundAlarm", "Timer", "Workplaces"}));
        // The z value is set on reading, the picture kept as shown, a
        // gateway box's font is the default font.
        const QSet<QString> normalised{"zvalue", "picture", "fontSize"};
        const QStringList faults = missing(original.documentElement(), saved.documentElement(), normalised);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));

        // In another run: the hash seed that orders the attributes in memory differs.
        formChild(window.get(), "actNew")->trigger();
        qunsetenv("QT_HASH_SEED");
        qSetGlobalQHashSeed(1);
        open(path("first"));
        saveAs(path("second.xml"));
        qSetGlobalQHashSeed(-1);
        QCOMPARE(contents(path("second.xml")), first);
        QCOMPARE(catcher.wiringFaults(), QStringList());
    }

    // Each workspace's references come back to its own elements, though
    // the workspaces share every name (box1, fence1, Energ5) and the
    // devices were never renamed.
    void referencesStayInTheirWorkspace_data()
    {
        QTest::addColumn<int>("workspaces");
        QTest::newRow("one workspace") << 1;
        QTest::newRow("two workspaces") << 2;
    }

    void referencesStayInTheirWorkspace()
    {
        QFETCH(int, workspaces);
        for (int tab = 0; tab < workspaces; ++tab) {
            if (tab > 0)
                formChild(window.get(), "actNewBlankWorkspace")->trigger();
            placeSite(QStringLiteral("10.0.0.%1").arg(tab + 1), 5 + tab);
            if (QTest::currentTestFailed())
                return;
        }
        saveAs(path("shared-names.xml"));
        formChild(window.get(), "actNew")->trigger();
        MessageCatcher catcher;
        open(path("shared-names.xml"));
        QCOMPARE(window->workspaces()->count(), workspaces);
        for (int tab = 0; tab < workspaces; ++tab) {
            GraphicsScene* scene = window->workspaces()->sceneAt(tab);
            Node* gateway = scene->gatewayBoxes().value(0)->node();
            QCOMPARE(gateway->data(0).toString(), QStringLiteral("10.0.0.%1").arg(tab + 1));
            QCOMPARE(buttonOn(scene)->actionTarget(), gateway->child(4 + tab));
            QCOMPARE(itemOf<GraphicsLine>(scene)->node()->parent(), gateway->child(0)->child(0));
        }
        QCOMPARE(catcher.messages().filter(QStringLiteral("not found")), QStringList());
    }

    // Two gateways on one map share every default device name: each button's
    // reference names its gateway, so after a reopen every binding is back;
    // a command reaches the wire only for the gateway the link dials. The
    // save warns of nothing.
    void twoGatewaysOnOneMap()
    {
        const QStringList ips{QStringLiteral("127.0.0.21"), QStringLiteral("127.0.0.22")};
        GatewaySimulator sims[2];
        for (int i = 0; i < 2; ++i) {
            sims[i].setDeviceCounts(32, 31);
            QVERIFY(sims[i].listen(QHostAddress(ips.at(i)), sims[0].port()));
            placeSite(ips.at(i), 5 + i);
            if (QTest::currentTestFailed())
                return;
        }
        // The site and energizer trees list the gateways as they stand on the map, the first placed first.
        const auto listedGateways = [this] {
            QStringList listed = window->trees()->gatewayAddresses();
            for (const Node* node : window->workspaces()->currentWorkplace()->children)
                listed << (node->type == Node::MapElement ? node->data(0).toString() : QString());
            return listed.filter(QStringLiteral("127."));
        };
        QCOMPARE(listedGateways(), ips + ips);
        window->units()->fenceClient()->setPort(sims[0].port());
        // The wizard's Next points the link at the gateway placed last; the
        // file keeps it there, though the other box is the last one read.
        window->units()->fenceClient()->moveTo(ips.at(1));
        QVERIFY(sims[1].waitForConnection());
        {
            MessageBoxAnswerer answerer;
            saveAs(path("two-gateways.xml"));
            QCOMPARE(answerer.seen(), QStringList());
        }
        formChild(window.get(), "actNew")->trigger();
        open(path("two-gateways.xml"));
        QTRY_COMPARE(sims[1].connectionCount(), 2);
        QCOMPARE(listedGateways(), ips + ips);
        sims[1].sendHeartbeat();
        // The boxes stand at two addresses: the field names the one dialled.
        QTRY_COMPARE_WITH_TIMEOUT(label("gatewayStatusLabel")->text(), QStringLiteral("EnergConnection: Updated (KX4 127.0.0.22)"), 10000);
        g_currentUser = QStringLiteral("admin");
        showWindow();
        GraphicsScene* scene = window->workspaces()->currentScene();
        QList<GraphicsBox*> buttons;
        for (int i = 0; i < 2; ++i) {
            Node* gateway = gatewayAt(ips.at(i))->node();
            buttons << itemOf<GraphicsBox>(scene, [i](GraphicsBox* box) { return box->objectName() == QStringLiteral("box%1").arg(2 + 2 * i); });
            QCOMPARE(buttons.last()->actionTarget(), gateway->child(4 + i));
            QCOMPARE(static_cast<GraphicsLine*>(gateway->child(0)->child(0)->child(0)->mapItem)->objectName(),
                     QStringLiteral("fence%1").arg(i + 1));
            QCOMPARE(gateway->child(0)->child(1)->child(0)->data(2), window->alarms()->soundAlarmNodes().at(i)->data(2));
        }
        // The button, the panel's check box, a low-voltage button and a relay
        // timer of the box the link does not dial send nothing: the operator
        // reads which gateway they were for; the controls and the box's flag
        // keep the device's state, and no row claims a switch.
        sims[1].clearReceived();
        QLabel* note = label("commandNoteLabel");
        const QString notSent = QStringLiteral("Command for %1 of KX4 127.0.0.21 not sent: the link dials KX4 127.0.0.22");
        const QString boxNotSent = QStringLiteral("Command for KX4 127.0.0.21 not sent: the link dials KX4 127.0.0.22");
        clickMapButton(buttons.at(0));
        QTRY_COMPARE(note->text(), notSent.arg("Energ5"));
        QVERIFY(!buttons.at(0)->actionButton()->isChecked());
        GraphicsBox* other = gatewayAt(ips.at(0));
        selectInTree(other->node()->child(4));
        auto* fenceOn = editPanelRow("FenceOn1")->browser->findChild<QCheckBox*>();
        clickOn(fenceOn);
        QTRY_VERIFY(!fenceOn->isChecked());
        buttons.at(0)->setActionTarget(other->node());
        buttons.at(0)->setActionCommand(EnergizersHiLo);
        buttons.at(0)->actionButton()->setChecked(false);
        clickMapButton(buttons.at(0));
        QTRY_COMPARE(note->text(), boxNotSent);
        QVERIFY(!other->allEnergisersLowVoltage());
        // A button aimed at a sector shows its energizer's state again.
        buttons.at(0)->setActionTarget(other->node()->child(4)->child(0));
        buttons.at(0)->setActionCommand(ActivateEnergZone1);
        buttons.at(0)->actionButton()->setChecked(false);
        clickMapButton(buttons.at(0));
        QTRY_COMPARE(note->text(), notSent.arg("Energ5"));
        QTRY_VERIFY(!buttons.at(0)->actionButton()->isChecked());
        window->commands()->timerCommand(ips.at(0), 34, ActivateRelay3, true);
        QTRY_COMPARE(note->text(), notSent.arg("IOCard34"));
        QTRY_COMPARE(sqlRows("select info from logUserAction where subject='Command'"),
                     (QStringList{notSent.arg("Energ5"), notSent.arg("Energ5"), boxNotSent, notSent.arg("Energ5"),
                                  notSent.arg("IOCard34")}));
        // Zone 1 on for energizer 6 (device number, 0, device type 5, high/low bits, zone bits), the only frame.
        clickMapButton(buttons.at(1));
        QVERIFY(sims[1].waitForFunction(16, 1));
        QCOMPARE(sims[1].receivedWithFunction(16), QList<QByteArray>{QByteArray::fromHex("00000001000f011000000008080600050001000000")});
        QTRY_COMPARE(note->text(), QStringLiteral("Command for Energ6 of KX4 127.0.0.22 sent"));
        // Two commands in flight, the first refused: the refusal is the first one's.
        QSignalSpy wanted(window->commands(), &CommandRouter::deviceStateWanted);
        window->commands()->timerCommand(ips.at(0), 34, ActivateRelay3, true);
        window->commands()->timerCommand(ips.at(1), 34, ActivateRelay3, true);
        QTRY_COMPARE(note->text(), QStringLiteral("Command for IOCard34 of KX4 127.0.0.22 sent"));
        QCOMPARE(wanted.count(), 1);
        QCOMPARE(wanted.first().first().value<Node*>(), gatewayAt(ips.at(0))->node()->child(33));
        QCOMPARE(sqlRows("select info from logUserAction where subject in ('Energizer', 'OsprelVell', 'IOCard') order by id"),
                 (QStringList{"ActivateEnergZone1 Energ6 set to true", "ActivateIOCard IOCard34 Relay3 set to true"}));
        QCOMPARE(sqlRows("select reason from logAlarm where source='Timer'"), QStringList{"Triggered, To card IOCard34"});
        // The note goes when the link moves, and with the project.
        window->units()->fenceClient()->moveTo(ips.at(0));
        QCOMPARE(note->text(), QString());
        window->commands()->timerCommand(ips.at(1), 34, ActivateRelay3, false);
        QTRY_VERIFY(note->text().endsWith(QStringLiteral("the link dials KX4 127.0.0.21")));
        MessageBoxAnswerer answerer(QMessageBox::No);
        formChild(window.get(), "actNew")->trigger();
        QCOMPARE(note->text(), QString());
    }

    // Two TW systems with a controller each; the open dials the last. The TW
    // link feeds only the system at its address, and a reset for the other
    // sends nothing: the operator reads which system it was for.
    void twoTWSystems()
    {
        const QStringList ips{QStringLiteral("127.0.0.91"), QStringLiteral("127.0.0.92")};
        GatewaySimulator sims[2];
        QString workplaces;
        for (int i = 0; i < 2; ++i) {
            sims[i].setTwMode(true);
            QVERIFY(sims[i].listen(QHostAddress(ips.at(i)), sims[0].port()));
            workplaces += QStringLiteral("<Workplace name=\"%1\"><TWSensors IP=\"%2\" enabled=\"1\"><Sensor name=\"%1-1\" "
                                         "enabled=\"1\"/><Sensor name=\"%1-2\" enabled=\"1\"/></TWSensors></Workplace>")
                              .arg(QChar('A' + i), ips.at(i));
        }
        window->units()->twClient()->setPort(sims[0].port());
        open(writeProject("two-tw.xml", workplaces.toUtf8()));
        QVERIFY(sims[1].waitForFunction(43, 1));
        // B's sensors ready: the move leaves them unwatched, with no row and no line.
        sims[1].setSensorStates(QByteArray::fromHex("ffff"));
        sims[1].sendStates();
        const QString rows = "select source || ' ' || reason from logAlarm where source like '_-_' order by source";
        QTRY_COMPARE(sqlRows(rows), (QStringList{"B-1 Ready", "B-2 Ready"}));
        g_currentUser = QStringLiteral("admin");
        showWindow();
        const QList<Node*> systems = window->trees()->twSensorModel()->rootNode()->children;
        QStringList notes;
        for (int dialled : {1, 0}) {
            if (dialled == 0) {
                // A's address set again: A's controller reports its sensor 2 in alarm.
                window->units()->twClient()->moveTo(ips.at(0));
                QVERIFY(sims[0].waitForFunction(43, 1));
                sims[0].setSensorStates(QByteArray::fromHex("ffdd"));
                sims[0].sendStates();
                QTRY_COMPARE(sqlRows("select source from logAlarm where reason = 'Alarm' and source like '_-2'"), QStringList{"A-2"});
                QCOMPARE(systems.at(1)->child(1)->data(1).toInt(), int(SensorState::Inactive));
                QTRY_COMPARE(sqlRows(rows), (QStringList{"A-1 Ready", "A-2 Alarm", "B-1 Ready", "B-2 Ready"}));
                QTRY_COMPARE(window->alarms()->alarmConfirmDlg()->findChild<QTableWidget*>()->rowCount(), 4);
            }
            clearAlarmsOf(systems.at(1 - dialled));
            notes << QStringLiteral("Command for TW system %1 not sent: the link dials TW system %2").arg(ips.at(1 - dialled), ips.at(dialled));
            QCOMPARE(label("commandNoteLabel")->text(), notes.last());
            clearAlarmsOf(systems.at(dialled));
            QVERIFY(sims[dialled].waitForFunction(16, 1));
        }
        QCOMPARE(sims[1].receivedWithFunction(16).size(), 1);
        QCOMPARE(sqlRows("select info from logUserAction where info like 'Command for TW%'"), notes);
    }

    void lostLinkRefusesEveryCommand_data()
    {
        QTest::addColumn<int>("lost");   // the status that tells of the loss
        QTest::newRow("closed by the controller") << int(qtClient::ConnectionClosedByServer);
        QTest::newRow("heartbeat timeout") << int(qtClient::HeartBeatTimedOut);
        QTest::newRow("failed connect") << int(qtClient::Error);
    }

    // From the loss of a link (closed by its controller, silent, or gone
    // with every retry failing) until its next good sweep, every command for
    // it is refused and told: none leaves, no control, flag, user-action line
    // or timer row claims a switch. So is one for a sector, with no device,
    // and one whose frame finds the socket gone; a refusal's note gives way
    // once its link is up again.
    void lostLinkRefusesEveryCommand()
    {
        QFETCH(int, lost);
        const QString actions = "select subject || ' ' || info from logUserAction where subject != 'Application' and id > "
                                + sqlRows("select coalesce(max(id), 0) from logUserAction").value(0) + " order by id";
        const QString timerRows = "select count(*) from logAlarm where source = 'Timer' and id > "
                                  + sqlRows("select coalesce(max(id), 0) from logAlarm").value(0);
        const QString ip = QStringLiteral("127.0.0.47"), twIp = QStringLiteral("127.0.0.48");
        GatewaySimulator gateway, tw;
        gateway.setDeviceCounts(32, 31);
        tw.setTwMode(true);
        QVERIFY(gateway.listen(QHostAddress(ip)) && tw.listen(QHostAddress(twIp), gateway.port()));
        const quint16 port = gateway.port();
        qtClient* client = window->units()->fenceClient();
        qtClientTW* twClient = window->units()->twClient();
        LinkTiming timing = quietLinkTiming();
        timing.sweepStartDelayMs = 10;
        const auto setLinks = [&] { client->setTiming(timing), twClient->setTiming(timing), client->setPort(port), twClient->setPort(port); };
        setLinks();
        open(writeProject("lost.xml", QStringLiteral("<Workplace name=\"W\"><Item itemType=\"OsprelVell\" name=\"box1\" IP=\"%1\" width=\"250\" "
                                                     "height=\"150\"/><Item itemType=\"Button\" ButtonCheckable=\"1\" name=\"box2\" y=\"300\" "
                                                     "width=\"120\" height=\"60\"><Action actRefObj=\"Energ5\" command=\"4\"/></Item><TWSensors "
                                                     "IP=\"%2\" enabled=\"1\"><Sensor name=\"S1\" enabled=\"1\"/></TWSensors></Workplace>").arg(ip, twIp).toUtf8()));
        g_currentUser = QStringLiteral("admin");
        showWindow();
        GraphicsBox* button = buttonOn(window->workspaces()->currentScene());
        GraphicsBox* box = gatewayAt(ip);
        Node* system = window->trees()->twSensorModel()->rootNode()->child(0);
        QLabel* note = label("commandNoteLabel");
        const auto bringUp = [&] {
            QVERIFY(gateway.waitForConnection() && tw.waitForConnection());
            gateway.sendHeartbeat();
            QTRY_COMPARE_WITH_TIMEOUT(label("gatewayStatusLabel")->text(), "EnergConnection: Updated", 10000);
        };
        bringUp();
        clickMapButton(button);
        QVERIFY(gateway.waitForFunction(16, 1));
        window->commands()->timerCommand(ip, 34, ActivateRelay3, true);
        QMetaObject::invokeMethod(window->units()->controlUnit(), [] {}, Qt::BlockingQueuedConnection);
        client->abortSocket();
        QTRY_VERIFY(note->text().endsWith("not sent: the gateway link is not up"));
        client->moveTo(ip);
        QTRY_COMPARE(gateway.connectionCount(), 2);
        bringUp();
        QVERIFY(note->text().isEmpty());

        QSignalSpy statuses(client, &qtClient::commStatus), twStatuses(twClient, &qtClientTW::commStatus);
        (lost == qtClient::Error ? timing.retryIntervalMs : timing.heartbeatTimeoutMs) = 200;  // the loss comes at once
        setLinks();
        if (lost == qtClient::Error)
            gateway.stopListening(), tw.stopListening();
        if (lost == qtClient::HeartBeatTimedOut)
            gateway.sendHeartbeat(), tw.sendStates();
        else
            gateway.closeConnection(), tw.closeConnection();
        for (QSignalSpy* spy : {&statuses, &twStatuses})
            QTRY_VERIFY_WITH_TIMEOUT(spy->contains({QVariant::fromValue(qtClient::ClientStatus(lost))}), 10000);
        clickMapButton(button);
        selectInTree(box->node()->child(4));
        auto* fenceOn = editPanelRow("FenceOn1")->browser->findChild<QCheckBox*>();
        clickOn(fenceOn);
        QTRY_VERIFY(!fenceOn->isChecked() && !button->actionButton()->isChecked());
        for (const auto& [target, command, told] : {std::tuple{box->node(), EnergizersHiLo, "Command for KX4"},
                                                    {box->node()->child(4)->child(0), ActivateEnerg, "Command for Sector1"}}) {
            button->setActionTarget(target);
            button->setActionCommand(command);
            clickMapButton(button);
            QTRY_VERIFY(note->text().startsWith(told) && !button->actionButton()->isChecked());
        }
        window->commands()->timerCommand(ip, 34, ActivateRelay3, true);
        QTRY_VERIFY(note->text().startsWith("Command for IOCard34"));
        clearAlarmsOf(system);
        QVERIFY(!box->allEnergisersLowVoltage());
        QCOMPARE(gateway.receivedWithFunction(16).size() + tw.receivedWithFunction(16).size(), 1);
        QStringList rows{"Energizer ActivateEnergZone1 Energ5 set to true"};
        for (const char* device : {"IOCard34 of ", "Energ5 of ", "Energ5 of ", "", "Sector1 of ", "IOCard34 of "})
            rows << QStringLiteral("Command Command for %1KX4 127.0.0.47 not sent: %2")
                        .arg(device, *device == 'S' ? "it is linked to no device" : "the gateway link is not up");
        rows << "Command Command for TW system 127.0.0.48 not sent: the TW link is not up";
        if (lost == qtClient::Error) {
            // Back, and swept again: commands go out.
            QVERIFY(gateway.listen(QHostAddress(ip), port) && tw.listen(QHostAddress(twIp), port));
            bringUp();
            window->commands()->timerCommand(ip, 34, ActivateRelay3, true);
            QTRY_VERIFY(note->text().endsWith("sent"));
            clearAlarmsOf(system);
            QVERIFY(gateway.waitForFunction(16, 2) && tw.waitForFunction(16, 1));
            rows << "IOCard ActivateIOCard IOCard34 Relay3 set to true" << "ClearAlarm Clear alarm of KX4 127.0.0.48";
        }
        QTRY_COMPARE(sqlRows(actions), rows);
        QTRY_COMPARE(sqlRows(timerRows), QStringList{lost == qtClient::Error ? "1" : "0"});
    }

    // Undoing a gateway box's placing, or deleting the box, takes out only
    // the nodes it made: a text box hung under its sector stays in the tree,
    // and is back under the sector when the box is. A button aimed at its
    // energizer, and a panel showing the box, aim at nothing while the box
    // is off the site, and once the stack has dropped an undone placing:
    // the file names no target.
    void boxOffTheSiteFreesNothingInUse_data()
    {
        QTest::addColumn<QByteArrayList>("steps");
        QTest::newRow("placing undone") << QByteArrayList{"actUndo", "actRedo", "actUndo"};
        QTest::newRow("deleted") << QByteArrayList{"actDelete", "actUndo", "actRedo"};
    }

    void boxOffTheSiteFreesNothingInUse()
    {
        QFETCH(QByteArrayList, steps);
        g_currentUser = QStringLiteral("admin");
        window->applyUserRights();
        showWindow();
        MessageBoxAnswerer answerer;
        clickTool("actDesignMode");
        GraphicsScene* scene = window->workspaces()->currentScene();
        TreeModel* tree = window->trees()->elementModel();
        const ScopedHook wizard(&GraphicsScene::setGatewayWizardHook,
                                [](GraphicsBox* box, QWidget*) { box->setIP(QStringLiteral("127.0.0.41")); });
        for (const auto& [tool, at] : {std::pair{"actDrawButton", QPointF(40, 400)}, {"actDrawText", QPointF(40, 250)},
                                       {"actAddOsprelVellWizard", QPointF(400, 40)}}) {
            clickTool(tool);
            clickMap(at);
        }
        QTRY_COMPARE(scene->gatewayBoxes().size(), 1);
        const NodeHandle gateway(scene->gatewayBoxes().first()->node());
        Node* sector = gateway.get()->child(0)->child(0);
        GraphicsBox* button = buttonOn(scene);
        GraphicsBox* text = itemOf<GraphicsBox>(scene, [](GraphicsBox* box) { return box->kind() == GraphicsBox::TextBox; });
        aimButton(button, gateway.get()->child(4));
        // The text box hung under Sector1 with the tree's "Add action".
        auto* view = formChild<QTreeView>(window.get(), "treeView");
        const QModelIndex row = window->elementTree()->proxy()->mapFromSource(tree->nodeIndex(sector));
        view->scrollTo(row);
        view->setCurrentIndex(row);
        launchers->nextActionNode = text->node();
        answerNextMenu();
        QVERIFY(operatorClick(view->viewport(), view->visualRect(row).center(), Qt::RightButton));
        QTRY_COMPARE(text->node()->parent(), sector);
        clickItem(scene->gatewayBoxes().first());
        PropertySet* panel = window->propertyPanel()->dockedSet();
        QCOMPARE(panel->node(), gateway.get());
        for (int step = 0; step < steps.size(); ++step) {
            clickTool(steps.at(step).constData());
            QVERIFY(!panel->node() || tree->contains(panel->node()));
            QCOMPARE(text->node()->parent(), step == 1 ? sector : scene->workplaceNode());
            QCOMPARE(button->actionTarget(), step == 1 ? gateway.get()->child(4) : nullptr);
            QCOMPARE(saved().contains("actRefObj=\"Energ5\""), step == 1);
        }
        // A new step drops an undone placing, and the nodes it made go.
        clickTool("actDrawText");
        clickMap(QPointF(40, 100));
        QCOMPARE(!gateway.get(), steps.first() == "actUndo");
        QVERIFY(tree->contains(text->node()));
        QCOMPARE(button->actionTarget(), nullptr);
        QVERIFY(!saved().contains("actRefObj"));
    }

    // The links follow the open project, and only to an address that is a
    // dotted quad: the socket layer would read "010.0.0.1" as 8.0.0.1. The
    // box keeps the text it was saved with, and the log names it. Nothing
    // of the previous project's links is kept.
    void linksFollowTheProject_data()
    {
        QTest::addColumn<QByteArray>("workplace");
        QTest::addColumn<QString>("logged");
        QTest::addColumn<QString>("fields");  // the two links' status fields
        QTest::newRow("gateway 010.0.0.1") << QByteArray("<Item itemType=\"OsprelVell\" name=\"box1\" IP=\"010.0.0.1\"/>")
                                           << QStringLiteral("gateway box box1 has the address \"010.0.0.1\"")
                                           << "EnergConnection: No link: 010.0.0.1 is not an IPv4 address|TW Connection: ";
        QTest::newRow("TW system 10.1") << QByteArray("<TWSensors IP=\"10.1\" enabled=\"1\"/>")
                                        << QStringLiteral("TW system of workspace \"W\" has the address \"10.1\"")
                                        << "EnergConnection: |TW Connection: No link: 10.1 is not an IPv4 address";
        QTest::newRow("neither") << QByteArray() << QString() << "EnergConnection: |TW Connection: ";
    }

    void linksFollowTheProject()
    {
        QFETCH(QByteArray, workplace);
        QFETCH(QString, logged);
        open(HandWritten);
        const QString links = writeProject("links.xml", "<Workplace name=\"W\">" + workplace + "</Workplace>");
        MessageCatcher catcher;
        open(links);
        QCOMPARE(window->units()->fenceClient()->status, qtClient::ConnectionClosedByServer);
        QCOMPARE(window->units()->twClient()->status, qtClient::ConnectionClosedByServer);
        QVERIFY(logged.isEmpty() || catcher.contains(logged));
        QTEST(label("gatewayStatusLabel")->text() + '|' + label("twStatusLabel")->text(), "fields");
        if (GraphicsBox* box = window->workspaces()->currentScene()->gatewayBoxes().value(0))
            QCOMPARE(box->ip(), QStringLiteral("010.0.0.1"));
    }

    // A fence line and a text box cut keep the sector actions naming them, in the file and live (the
    // gateway's row stands in Failure until its link is up), before a paste and after one on either map.
    // Its TW sector follows the sensor a reopen reads from its number in Store's TW system, before a save and
    // after one, or none where a sector of Store's follows that one, told once; Perimeter's Sensor3 goes back
    // under its system.
    void cutKeepsSectorActions_data()
    {
        QTest::addColumn<QString>("storeSector");
        QTest::addColumn<QStringList>("followed");  // by Store's TW sectors
        QTest::addColumn<QStringList>("told");
        QTest::newRow("sensor free") << QString() << QStringList{"twsector1: Gate sensor 3"} << QStringList();
        QTest::newRow("sensor taken") << "<Item itemType=\"TWSector\" name=\"gatesector\" x=\"700\" y=\"40\" width=\"40\" height=\"40\"><Action "
                                         "actRefObjType=\"16\" actRefObj=\"3\" StateEnable=\"1\"/></Item>"
                                      << QStringList{"gatesector: Gate sensor 3", "twsector1:"}
                                      << QStringList{"TW sector twsector1 follows no sensor 3: none is free here"};
    }

    void cutKeepsSectorActions()
    {
        QFETCH(QString, storeSector);
        QFETCH(QStringList, followed);
        QFETCH(QStringList, told);
        const QString image = "<Item itemType=\"image\"";  // Store's
        writeFile(path("sectors.xml"), QString(contents(HandWritten)).replace(image, storeSector + image).toUtf8());
        openForDesign(path("sectors.xml"));
        const QString before = sqlRows("select coalesce(max(id), 0) from logUserAction").value(0);
        QGraphicsView* view = window->workspaces()->currentView();
        auto* fence = itemOf<GraphicsLine>(window->workspaces()->currentScene());
        Node* sensor3 = itemOf<GraphicsCircle>(window->workspaces()->currentScene())->node()->child(0);
        GraphicsBox* box = itemOf<GraphicsBox>(window->workspaces()->currentScene(), [](GraphicsBox* b) { return b->objectName() == "box2"; });
        Node* energizer = gatewayAt(QStringLiteral("127.0.0.7"))->node()->child(0);
        const auto keptInFile = [this] { const QByteArray file = saved(); return file.contains("actRefObj=\"fence1\"") && file.contains("actRefObj=\"box2\""); };
        for (int tab : {0, 1}) {
            clickMap(QPointF(200, 300));
            QVERIFY(operatorClick(view->viewport(), view->mapFromScene(box->sceneBoundingRect().center()), Qt::LeftButton, Qt::ControlModifier));
            QVERIFY(operatorKey(view->viewport(), Qt::Key_X, Qt::ControlModifier) && !fence->isVisible() && !box->isVisible() && keptInFile());
            window->workspaces()->tabs()->setCurrentIndex(tab);
            QVERIFY(operatorKey(window->workspaces()->currentView()->viewport(), Qt::Key_V, Qt::ControlModifier));
            window->deviceStates()->energTick(energizer);
            QCOMPARE((QList<int>{fence->alarmStatus(), box->alarmStatus(), fence->blinkPhase(), box->blinkPhase()}), (QList<int>{Node::Failure, Node::Failure, tab, tab}));
            QVERIFY(fence->scene() == window->workspaces()->currentScene() && keptInFile());
        }
        const auto following = [this] {
            QStringList sectors;
            for (QGraphicsItem* item : window->workspaces()->sceneAt(1)->items()) {
                auto* sector = dynamic_cast<GraphicsCircle*>(item);
                if (!sector)
                    continue;
                sectors << sector->objectName() + ':';
                for (Node* sensor : sector->node()->children)
                    sectors.last() += sensor->type == Node::TWSensor ? ' ' + sensor->data(0).toString() : QString();
            }
            sectors.sort();
            return sectors;
        };
        QCOMPARE(following(), followed);
        QVERIFY(sensor3->parent() == window->workspaces()->sceneAt(0)->workplaceNode()->children.last());
        QCOMPARE(sqlRows("select info from logUserAction where info like 'TW sector%' and id > " + before), told);
        QCOMPARE(label("mapNoteLabel")->text(), told.value(0));
        open(path("saved.xml"));  // as saved after the paste onto Store
        QCOMPARE(following(), followed);
    }

    // A TW sector is not cut on its own: it stays on the map, where a save keeps it, the clipboard keeps what
    // the last cut took, and the status bar's note says why, whole, left of its fields. Chosen after a box where
    // the tree hides its row (Perimeter hides TW rows), it is chosen alone, no row of the tree stays chosen, and the
    // panel shows it.
    // Read from the file 11 units off a long segment, it keeps its place there as a point of its line moves.
    void cutLeavesATWSector()
    {
        openForDesign(HandWritten);
        window->resize(1280, window->height());
        auto* circle = itemOf<GraphicsCircle>(window->workspaces()->currentScene());
        GraphicsBox* box = itemOf<GraphicsBox>(window->workspaces()->currentScene(), [](GraphicsBox* b) { return b->objectName() == "box2"; });
        QVERIFY(!window->elementTree()->proxy()->mapFromSource(window->trees()->elementModel()->nodeIndex(circle->node()->parent())).isValid());
        clickItem(box);
        QTRY_VERIFY(box->handles().first());
        clickItem(circle);
        QTRY_COMPARE(window->propertyPanel()->dockedSet()->node(), circle->node());
        QVERIFY(window->workspaces()->currentScene()->selectedItems() == QList<QGraphicsItem*>{circle} && !box->handles().first());
        QVERIFY(!formChild<QTreeView>(window.get(), "treeView")->selectionModel()->hasSelection());
        for (QGraphicsItem* item : {static_cast<QGraphicsItem*>(box), static_cast<QGraphicsItem*>(circle)}) {
            clickItem(item);
            QVERIFY(operatorKey(window->workspaces()->currentView()->viewport(), Qt::Key_X, Qt::ControlModifier));
        }
        QVERIFY(operatorKey(window->workspaces()->currentView()->viewport(), Qt::Key_V, Qt::ControlModifier));
        QLabel* note = label("mapNoteLabel");
        QVERIFY(circle->isVisible() && box->isVisible() && note->text().contains("TW sector twsector1"));
        QTRY_VERIFY(note->isVisible() && note->width() >= note->sizeHint().width() && note->x() < label("positionLabel")->x());
        itemOf<GraphicsLine>(window->workspaces()->currentScene())->setPoints({{40, 300}, {600, 300}, {650, 520}});
        QVERIFY(saved().contains("name=\"twsector1\" width=\"40\" x=\"300\" y=\"289\""));
    }

    // Cut on Perimeter, pasted onto Store, then Store deleted: the links to what stood there are dropped, told
    // once, and the file names none; what it linked stands on Perimeter, its node there. The save warns of nothing.
    // Store's TW system was never set up: a TW sector riding a fence line onto it follows no sensor, told once.
    void deletedMapDropsTheLinksToIt_data()
    {
        QTest::addColumn<QPointF>("cutAt");
        QTest::addColumn<QStringList>("told");  // the paste's note, if any, and the links dropped
        QTest::addColumn<QStringList>("named");  // no longer in the file
        QTest::newRow("fence line") << QPointF(200, 300) << QStringList{"TW sector twsector1 follows no sensor 3: none is free here",
                                                                        "fence1 from Sector1 of North gate of box1"} << QStringList{"fence1"};
        QTest::newRow("gateway") << QPointF(160, 60) << QStringList{"North gate from button box3"} << QStringList{"box2", "fence1", "North gate"};
    }

    void deletedMapDropsTheLinksToIt()
    {
        QFETCH(QPointF, cutAt);
        QFETCH(QStringList, told);
        QFETCH(QStringList, named);
        const QRegularExpression store("<TWSensors IP=\"127.0.0.9\".*?</TWSensors>", QRegularExpression::DotMatchesEverythingOption);
        writeFile(path("sites.xml"), QString(contents(HandWritten)).remove(store).toUtf8());
        openForDesign(path("sites.xml"));
        GraphicsScene* perimeter = window->workspaces()->currentScene();
        const QString before = sqlRows("select max(id) from logUserAction").value(0);
        clickMap(cutAt);
        QVERIFY(operatorKey(window->workspaces()->currentView()->viewport(), Qt::Key_X, Qt::ControlModifier));
        window->workspaces()->tabs()->setCurrentIndex(1);
        QVERIFY(operatorKey(window->workspaces()->currentView()->viewport(), Qt::Key_V, Qt::ControlModifier));
        MessageBoxAnswerer yes(QMessageBox::Yes);
        formChild(window.get(), "actDeleteWorkplace")->trigger();
        const QString note = "Links dropped with workspace Store: " + told.takeLast();
        QCOMPARE(label("mapNoteLabel")->text(), note);
        QCOMPARE(sqlRows("select info from logUserAction where subject in ('GraphicsItem', 'Workspace') and id > " + before),
                 (told + QStringList{"Workspace Store deleted", note}));
        for (QGraphicsItem* item : perimeter->items())
            QVERIFY(!dynamic_cast<GraphicsHelperClass*>(item) || perimeter->workplaceNode()->isAncestorOf(dynamic_cast<GraphicsHelperClass*>(item)->node()));
        const QByteArray file = saved();
        for (const QString& name : named)
            QVERIFY2(!file.contains("actRefObj=\"" + name.toUtf8() + '"'), qPrintable(name));
        QCOMPARE(yes.seen().size(), 1);  // the deletion's question alone
    }

    // Every item of a map opened again, of one added beyond it, can be
    // scrolled into view, zoomed in too.
    void wholeSiteScrollsIntoView()
    {
        open(writeProject("far.xml", "<Workplace name=\"W\"><Item itemType=\"Text\" name=\"far\" x=\"900\" y=\"900\" "
                                     "width=\"80\" height=\"40\"/></Workplace>"));
        showWindow();
        GraphicsScene* scene = window->workspaces()->currentScene();
        auto* later = new GraphicsBox(GraphicsBox::TextBox);
        scene->insertItem(later);
        later->setElementPos(QPointF(-300, 1500));
        for (int step = 0; step < 4; ++step) // to 200%
            formChild(window.get(), "actZoomIn")->trigger();
        QTRY_VERIFY(scene->sceneRect().contains(scene->itemsBoundingRect() | QRectF(0, 0, 200, 200)));
        QGraphicsView* view = scene->views().first();
        for (QGraphicsItem* item : scene->items()) {
            view->ensureVisible(item);
            QVERIFY(view->viewport()->rect().contains(view->mapFromScene(item->sceneBoundingRect().center())));
        }
    }

    // The link dials what the operator set: a file opened (one of before
    // names no address: the last gateway box read), a wizard finished. A box
    // left by a cancelled wizard is never dialled, after a save and reopen
    // too. When the box the link dials leaves (Undo, Delete), the link goes
    // back to the latest address set whose box stands, or closes and the
    // field says the program did; Undo and Redo put it back where it was
    // before the step they reverse. The file names where it is.
    void linkGoesBackWhereItWas()
    {
        const QString a = QStringLiteral("127.0.0.34"), b = QStringLiteral("127.0.0.35"), c = QStringLiteral("127.0.0.36");
        MessageBoxAnswerer answerer;
        openAndCancelAWizard(writeProject("pair.xml", "<Workplace name=\"W\"><Item itemType=\"OsprelVell\" name=\"a\" "
                                                      "IP=\"127.0.0.33\"/><Item itemType=\"OsprelVell\" name=\"b\" IP=\"127.0.0.34\" "
                                                      "x=\"0\" y=\"400\" width=\"250\" height=\"150\"/></Workplace>"),
                             3);
        saveAs(path("cancelled.xml"));
        formChild(window.get(), "actNew")->trigger();
        open(path("cancelled.xml"));
        QCOMPARE(window->units()->fenceClient()->address(), a);
        // The box the link does not dial shows that it is not watched (its panel reads the same row).
        Node* undialled = window->trees()->energizerRoot()->child(window->trees()->gatewayAddresses().indexOf("127.0.0.33"))->child(0);
        QTRY_COMPARE(window->trees()->energizerModel()->nodeIndex(undialled).siblingAtColumn(Node::kStatusColumn).data().toString(), "Off");
        placeWithWizard(b, QPointF(100, 150));
        placeWithWizard(c, QPointF(30, 310));
        QTRY_COMPARE(window->units()->fenceClient()->address(), c);
        QLabel* field = label("gatewayStatusLabel");
        for (const auto& [step, selected, ip] : {std::tuple{"actUndo", QString(), b}, {"actRedo", QString(), c}, {"actDelete", c, b},
                                                 {"actUndo", QString(), c}, {"actRedo", QString(), b}, {"actDelete", b, a},
                                                 {"actDelete", a, QString()}, {"actUndo", QString(), a}}) {
            if (!selected.isEmpty())
                clickItem(gatewayAt(selected));
            clickTool(step);
            QTRY_COMPARE(window->units()->fenceClient()->address(), ip);
            if (ip.isEmpty())
                QTRY_VERIFY(field->text().startsWith("EnergConnection: Closed by the program: its gateway box is gone; choose another"));
            QVERIFY(saved().contains("gatewayLink=\"" + ip.toUtf8() + '"'));
        }
    }

    void twLinkLeavesWithItsSystem_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::newRow("its workspace deleted") << QByteArray("<Workplace name=\"A\"/>");
        QTest::newRow("the only workspace deleted") << QByteArray();
        QTest::newRow("another system stays at its address")
            << QByteArray("<Workplace name=\"A\"><TWSensors IP=\"127.0.0.49\" enabled=\"1\"/></Workplace>");
        QTest::newRow("a disabled system stays at its address")
            << QByteArray("<Workplace name=\"A\"><TWSensors IP=\"127.0.0.49\" enabled=\"0\"/></Workplace>");
    }

    // The TW link follows its TW system: the workspace that holds the system it dials deleted, it closes, and its
    // field says the program closed it. The system goes for good: no undo brings a workspace back.
    void twLinkLeavesWithItsSystem()
    {
        QFETCH(QByteArray, before);
        GatewaySimulator tw;
        tw.setTwMode(true);
        QVERIFY(tw.listen(QHostAddress(QStringLiteral("127.0.0.49"))));
        window->units()->twClient()->setPort(tw.port());
        open(writeProject("tw.xml", before + "<Workplace name=\"W\"><TWSensors IP=\"127.0.0.49\" "
                                             "enabled=\"1\"><Sensor name=\"S1\" enabled=\"1\"/></TWSensors></Workplace>"));
        QVERIFY(tw.waitForConnection());
        tw.sendStates();
        QTRY_COMPARE(label("twStatusLabel")->text(), QStringLiteral("TW Connection: Updated"));
        window->workspaces()->tabs()->setCurrentIndex(window->workspaces()->count() - 1);
        MessageBoxAnswerer yes(QMessageBox::Yes);
        formChild(window.get(), "actDeleteWorkplace")->trigger();
        const bool closes = !before.contains("enabled=\"1\"");  // unless another enabled system stands at its address
        QCoreApplication::sendPostedEvents();
        QCOMPARE(window->units()->twClient()->address(), closes ? QString() : QStringLiteral("127.0.0.49"));
        QTRY_COMPARE(label("twStatusLabel")->text(), closes ? QStringLiteral("TW Connection: Closed by the program: its TW system is gone; choose another")
                                                            : QStringLiteral("TW Connection: Updated"));
        QTRY_COMPARE(tw.isConnected(), !closes);
    }

    void twLinkKeepsItsSystem_data()
    {
        QTest::addColumn<QByteArray>("link");  // the root's attribute, if any
        QTest::addColumn<QByteArray>("firstEnabled");
        QTest::addColumn<int>("dialled");  // the system the link dials at the end; the first is set in the setup
        QTest::addColumn<QString>("logged");
        QTest::newRow("the first set in the setup") << QByteArray() << QByteArray("1") << 0 << QString();
        QTest::newRow("an older file: the last") << QByteArray() << QByteArray("1") << 1 << QString();
        const QString fallback = QStringLiteral("the file names the TW link at %1, where no enabled TW system stands; "
                                                "the link dials 127.0.0.62");
        QTest::newRow("names a disabled system") << QByteArray(" twLink=\"127.0.0.61\"") << QByteArray("0") << 1
                                                 << fallback.arg("127.0.0.61");
        QTest::newRow("names no system") << QByteArray(" twLink=\"127.0.0.69\"") << QByteArray("1") << 1
                                         << fallback.arg("127.0.0.69");
        QTest::newRow("names none: closed") << QByteArray(" twLink=\"\"") << QByteArray("1") << -1 << QString();
    }

    // The file keeps the TW system the link dials, and a reopen dials it; the field names it while the enabled
    // systems stand at two addresses. A file naming none that stands, or none at all, dials the last enabled one.
    void twLinkKeepsItsSystem()
    {
        QFETCH(QByteArray, link);
        QFETCH(QByteArray, firstEnabled);
        QFETCH(int, dialled);
        const QStringList ips{QStringLiteral("127.0.0.61"), QStringLiteral("127.0.0.62")};
        GatewaySimulator sims[2];
        QByteArray workplaces;
        for (int i = 0; i < 2; ++i) {
            sims[i].setTwMode(true);
            QVERIFY(sims[i].listen(QHostAddress(ips.at(i)), sims[0].port()));
            workplaces += "<Workplace name=\"" + QByteArray(1, char('A' + i)) + "\"><TWSensors IP=\"" + ips.at(i).toUtf8()
                          + "\" enabled=\"" + (i == 0 ? firstEnabled : "1") + "\"/></Workplace>";
        }
        window->units()->twClient()->setPort(sims[0].port());
        writeFile(path("tw-link.xml"), "<Project" + link + "><Workplaces>" + workplaces + "</Workplaces></Project>");
        if (dialled == 0) {
            g_currentUser = QStringLiteral("admin");
            window->applyUserRights();
            openForDesign(path("tw-link.xml"));
            answerNextModal([](QWidget* setup) {
                QVERIFY(operatorClick(setup->findChild<QToolButton*>(QStringLiteral("btnSetIP"))));
                QVERIFY(operatorClick(setup->findChild<QPushButton*>(QStringLiteral("btnClose"))));
            });
            clickTool("actTWSensorsSetup");
            QTRY_VERIFY(!QApplication::activeModalWidget());
            QCOMPARE(window->units()->twClient()->address(), ips.at(0));
            saveAs(path("tw-link.xml"));
            QVERIFY(contents(path("tw-link.xml")).contains("twLink=\"127.0.0.61\""));
            cleanup();
            init();
            window->units()->twClient()->setPort(sims[0].port());
        }
        if (dialled < 0) {
            open(path("tw-link.xml"));
            QCoreApplication::sendPostedEvents();
            QVERIFY(window->units()->twClient()->address().isEmpty() && !sims[0].connectionCount() && !sims[1].connectionCount());
            return;
        }
        const int connections = sims[dialled].connectionCount();
        MessageCatcher catcher;
        open(path("tw-link.xml"));
        QCOMPARE(window->units()->twClient()->address(), ips.at(dialled));
        QTRY_COMPARE(sims[dialled].connectionCount(), connections + 1);
        QFETCH(QString, logged);
        QVERIFY(logged.isEmpty() || catcher.contains(logged));
        sims[dialled].sendStates();
        const QString note = firstEnabled == "1" ? " (TW system " + ips.at(dialled) + ')' : QString();
        QTRY_COMPARE(label("twStatusLabel")->text(), "TW Connection: Updated" + note);
        QVERIFY(saved().contains("twLink=\"" + ips.at(dialled).toUtf8() + '"'));
    }

    // The gateway field tells the link truly: a box left by a cancelled
    // wizard is a second address, and the close that follows the deletion
    // of the box the link dials is the program's, not the gateway's. Given
    // its address in its panel, the box left gets its rows as the wizard
    // gives them: the gateway the link dials is watched and takes commands.
    void gatewayFieldTellsTheLink()
    {
        GatewaySimulator sims[2];
        sims[1].setDeviceCounts(32, 31);
        QVERIFY(sims[0].listen(QHostAddress(QStringLiteral("127.0.0.35"))));
        QVERIFY(sims[1].listen(QHostAddress(QStringLiteral("127.0.0.87")), sims[0].port()));
        window->units()->fenceClient()->setPort(sims[0].port());
        MessageBoxAnswerer answerer;
        openAndCancelAWizard(writeProject("one.xml", "<Workplace name=\"W\"><Item itemType=\"OsprelVell\" name=\"a\" "
                                                     "IP=\"127.0.0.35\" width=\"250\" height=\"150\"/></Workplace>"),
                             2);
        QVERIFY(sims[0].waitForConnection());
        QLabel* field = label("gatewayStatusLabel");
        QTRY_VERIFY2(field->text().endsWith(" (KX4 127.0.0.35)"), qPrintable(field->text()));
        clickItem(gatewayAt(QStringLiteral("127.0.0.35")));
        clickTool("actDelete");
        QTRY_COMPARE(field->text(), QStringLiteral("EnergConnection: Closed by the program: its gateway box is gone; choose another"));
        QCOMPARE(field->styleSheet(), QString());
        GraphicsBox* box = window->workspaces()->currentScene()->gatewayBoxes().first();
        QCOMPARE(window->trees()->gatewayAddresses(), QStringList());
        clickItem(box);
        auto* address = editPanelRow("IP")->browser->findChild<QLineEdit*>();
        address->selectAll();
        QVERIFY(operatorType(address, QStringLiteral("127.0.0.87\r")));
        QCOMPARE(window->trees()->gatewayAddresses(), QStringList{"127.0.0.87"});
        QVERIFY(sims[1].waitForConnection());
        sims[1].sendHeartbeat();
        QTRY_COMPARE_WITH_TIMEOUT(field->text(), QStringLiteral("EnergConnection: Updated"), 10000);
        window->commands()->commandSending(box->node()->child(0), true, ActivateEnergZone1);
        QVERIFY(sims[1].waitForFunction(16, 1));
    }

    // What changes while the save dialog is open is in the file saved.
    void saveAsWritesChangesMadeDuringTheDialog()
    {
        duringSaveDialog = [this] { window->workspaces()->addWorkspace(QStringLiteral("Late")); };
        saveAs(path("late.xml"));
        QVERIFY(contents(path("late.xml")).contains("<Workplace name=\"Late\""));
    }

    // Names typed without a suffix in the real dialog: "site" asks before
    // replacing "site.xml" (answered No, then the dialog cancelled), "fresh"
    // writes "fresh.xml".
    void saveAsDialogGivesTheSuffix()
    {
        writeFile(path("site.xml"), "kept");
        const ScopedHook dialog(&ProjectDocument::setSaveFileChooser, ProjectDocument::FileNameChooser(), chosenName());
        MessageBoxAnswerer replace(QMessageBox::No);
        for (const QString& typed : {path("site"), path("fresh")}) {
            answerNextModal([typed](QWidget* dialog) {
                for (const QChar c : typed)
                    QTest::keyClick(dialog->windowHandle(), c.toLatin1());
                QTest::keyClick(dialog->windowHandle(), Qt::Key_Return);
                if (dialog->isVisible())
                    QTest::keyClick(dialog->windowHandle(), Qt::Key_Escape);
            });
            formChild(window.get(), "actSaveAs")->trigger();
        }
        QCOMPARE(replace.seen(), QStringList{"Save File:site.xml already exists.\nDo you want to replace it?"});
        QCOMPARE(contents(path("site.xml")), QByteArray("kept"));
        QCOMPARE(window->currentFileName(), path("fresh.xml"));
        QDomDocument written;
        QVERIFY(ProjectDocument::read(path("fresh.xml"), written));
        QVERIFY(!QFile::exists(path("site")) && !QFile::exists(path("fresh")));
    }

    // A file that cannot be used changes nothing: project, changed mark,
    // title and links stay; only a missing file forgets the file name. A box
    // tells why (a file over a limit names the limit; the project library's
    // tests go through every limit). A file refused for its content leaves
    // the recent list; a missing or unreadable one stays.
    void failedOpens_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("limit");
        QTest::newRow("missing") << QByteArray() << QStringLiteral("the file does not exist");
        QTest::newRow("not a file") << QByteArray("dir") << QStringLiteral("not a file");
        QTest::newRow("not well-formed") << QByteArray("<Project><Workplaces><Workplace name=\"x\"></Project>")
                                         << QStringLiteral("not well-formed XML");
        QTest::newRow("workspaces") << TooManyWorkspaces << QStringLiteral("more than 100 workspaces in the project");
        QTest::newRow("name") << "<Project><Workplaces><Workplace name=\"" + QByteArray(1 << 20, 'n')
                                     + "\"/></Workplaces></Project>"
                              << QStringLiteral("\"name\" of Workplace longer than 32767 characters");
    }

    // A name as long as a file may hold is read and saved whole; the tab,
    // the tree and the panel lay out only the start they show.
    void longNameShownCut()
    {
        const QByteArray name(ProjectLimits::MaxTextLength, 'n');
        open(writeProject(QStringLiteral("long.xml"), "<Workplace name=\"" + name + "\"/>"));
        QCOMPARE(window->workspaces()->caption(0), QString(name));
        PropertySet* panel = window->propertyPanel()->dockedSet();
        const QString shown = QString(MaxShownNameLength - 1, 'n') + QChar(0x2026);
        QCOMPARE(window->workspaces()->tabs()->tabText(0), shown);
        QCOMPARE(window->elementTree()->proxy()->index(0, 0).data().toString(), shown);
        QCOMPARE(panel->browser->propertyTreeItem(panel->propertyNames.key("WorkspaceCaption"))->text(1), shown);
        QVERIFY(saved().contains("<Workplace name=\"" + name + "\""));
    }

    void failedOpens()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, limit);
        const QString bad = path(QStringLiteral("bad.xml"));
        QFile::remove(bad);
        QDir(home.path()).rmdir(QStringLiteral("bad.xml"));
        open(HandWritten);
        window->project()->setModified(true);
        const QString title = window->windowTitle();
        if (content == "dir") {
            QVERIFY(QDir(home.path()).mkdir(QStringLiteral("bad.xml")));
        } else if (!content.isEmpty()) {
            writeFile(bad, content);
        }
        window->projectFiles()->addRecentFile(bad);
        MessageCatcher catcher;
        MessageBoxAnswerer answerer(QMessageBox::No);
        open(bad);
        QVERIFY(catcher.contains(bad));
        QCOMPARE(answerer.seen().first(), QStringLiteral("Saving:The file was changed.\nSave the it?"));
        QCOMPARE(answerer.seen().size(), 2);
        const QString refusal = QStringLiteral("Project not opened:%1 was not opened: ").arg(bad);
        QVERIFY2(answerer.seen().last().startsWith(refusal) && answerer.seen().last().contains(limit),
                 qPrintable(answerer.seen().last()));
        QCOMPARE(window->workspaces()->count(), 2);
        QCOMPARE(window->workspaces()->tabs()->tabText(0), QStringLiteral("Perimeter"));
        QCOMPARE(window->windowTitle(), title);
        QVERIFY(window->project()->isModified());
        QCOMPARE(window->units()->fenceClient()->address(), QStringLiteral("127.0.0.7"));
        QCOMPARE(window->currentFileName(), content.isEmpty() ? QString() : HandWritten);
        const QStringList recent = QSettings(path("setting.ini"), QSettings::IniFormat).value("recentFileList").toStringList();
        const bool kept = content.isEmpty() || content == "dir";
        QCOMPARE(recent.first(), kept ? bad : HandWritten);
        QCOMPARE(recent.contains(bad), kept);
        QFile::remove(bad);
    }

    // A last project refused or missing at start-up is reported once and not
    // reopened at the next start: nor is the project opened before it.
    void lastFileNotReopened_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("reason");
        QTest::newRow("refused") << TooManyWorkspaces << QStringLiteral("more than 100 workspaces");
        QTest::newRow("missing") << QByteArray() << QStringLiteral("the file does not exist");
    }

    void lastFileNotReopened()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);
        const QString bad = path(QStringLiteral("refused.xml"));
        QFile::remove(bad);
        if (!content.isEmpty())
            writeFile(bad, content);
        QSettings settings(path("setting.ini"), QSettings::IniFormat);
        settings.setValue(QStringLiteral("LoadLastFile"), true);
        settings.setValue(QStringLiteral("recentFileList"), QStringList{bad, HandWritten});
        settings.remove(ProjectFiles::LastFileRefusedKey);
        settings.sync();
        window.reset();
        {
            MessageBoxAnswerer answerer;
            window = std::make_unique<MainWindow>();
            QTRY_COMPARE(answerer.seen().size(), 1);
            QVERIFY(answerer.seen().first().contains(reason));
        }
        QCOMPARE(window->workspaces()->count(), 1);
        QCOMPARE(window->currentFileName(), QString());
        window.reset();
        MessageBoxAnswerer answerer;
        window = std::make_unique<MainWindow>();
        // The reopen is queued behind the window's showing.
        QCoreApplication::processEvents();
        QCOMPARE(answerer.seen(), QStringList());
        QCOMPARE(window->currentFileName(), QString());
        QCOMPARE(window->projectFiles()->recentFileAction(0)->data().toString(), content.isEmpty() ? bad : HandWritten);
        settings.setValue(QStringLiteral("LoadLastFile"), false);
    }

    // A save that would write a file the program refuses to open says why,
    // and leaves the previous file as it was and the project changed (the
    // project library's tests cut a save short too).
    void failedSaveKeepsPreviousFile()
    {
        open(HandWritten);
        saveAs(path("kept.xml"));
        const QByteArray before = contents(path("kept.xml"));
        for (int i = 0; i < 99; ++i)
            window->workspaces()->addWorkspace(QString());
        window->project()->setModified(true);
        const QString title = window->windowTitle();
        const QString reason = QStringLiteral("would be refused when opened: more than 100 workspaces");
        {
            MessageBoxAnswerer answerer(QMessageBox::Ok);
            saveAs(path("other.xml"));
            const QString box = answerer.seen().join(QLatin1Char('|'));
            QVERIFY2(box.startsWith(QStringLiteral("File writting error:")) && box.contains(reason), qPrintable(box));
        }
        QCOMPARE(contents(path("kept.xml")), before);
        // The project keeps its file: the next Save goes where the last one went.
        QCOMPARE(window->project()->currentFileName, path("kept.xml"));
        QVERIFY(window->project()->isModified());
        QCOMPARE(window->windowTitle(), title);
        QCOMPARE(QDir(home.path()).entryList({QStringLiteral("kept.xml*"), QStringLiteral("other.xml*")}, QDir::Files),
                 QStringList{"kept.xml"});
    }

    // New and Open after "Yes, save" go on only when the save happened: a
    // cancelled or failed save keeps the project and its edits.
    void replacingWaitsForTheSave_data()
    {
        QTest::addColumn<QByteArray>("action");
        QTest::addColumn<QString>("saveAs");
        for (const char* action : {"actNew", "actOpen"}) {
            QTest::addRow("%s, save cancelled", action) << QByteArray(action) << QString();
            QTest::addRow("%s, save failed", action) << QByteArray(action) << QStringLiteral("in the way.xml");
        }
    }

    void replacingWaitsForTheSave()
    {
        QFETCH(QByteArray, action);
        QFETCH(QString, saveAs);
        window->workspaces()->addWorkspace(QString());
        window->workspaces()->addWorkspace(QString());
        window->project()->setModified(true);
        chosenSaveName = saveAs.isEmpty() ? QString() : path(saveAs);
        QDir(home.path()).mkpath(saveAs);
        chosenOpenName = HandWritten;
        MessageBoxAnswerer answerer(QMessageBox::Yes);
        formChild(window.get(), action.constData())->trigger();
        QCOMPARE(answerer.seen().size(), saveAs.isEmpty() ? 1 : 2);
        QCOMPARE(window->workspaces()->count(), 3);
        QVERIFY(window->project()->isModified());
    }

    // An alarm logged while the open asks its save question reaches the log.
    void alarmDuringOpenIsLogged()
    {
        QVERIFY(sqlRows(QStringLiteral("delete from logAlarm")).isEmpty());
        open(HandWritten);
        window->project()->setModified(true);
        ControlUnit* unit = window->units()->controlUnit();
        answerNextModal([unit](QWidget* box) {
            // The unit's thread reads the texts where they lie: made before it started.
            QMetaObject::invokeMethod(unit, "writeAlarmLog", Qt::BlockingQueuedConnection,
                                      Q_ARG(QString, AlarmSource), Q_ARG(QString, AlarmReason),
                                      Q_ARG(QString, AlarmInfo));
            QVERIFY(operatorClick(qobject_cast<QMessageBox*>(box)->button(QMessageBox::No)));
        });
        window->projectFiles()->openRecentFile(HandWritten);
        QTRY_COMPARE(sqlRows(QStringLiteral("select reason from logAlarm where source='Energ7'")), QStringList{"Alarm"});
    }

    // The project that goes takes its link states with it, and frees the nodes
    // of its boxes and its gateways' status rows, also those of a gateway whose
    // deletion waits on the undo stack (the sanitizer build checks the rest for
    // leaks). Its alarm line stays until the operator confirms it, and logs it.
    void closedProjectLeavesOnlyItsAlarmLines_data()
    {
        QTest::addColumn<QByteArray>("action");
        QTest::addColumn<bool>("gatewayDeleted");
        QTest::newRow("New") << QByteArray("actNew") << false;
        QTest::newRow("Open") << QByteArray("actOpen") << false;
        QTest::newRow("deleted gateway, Open") << QByteArray("actOpen") << true;
    }

    void closedProjectLeavesOnlyItsAlarmLines()
    {
        QFETCH(QByteArray, action);
        QFETCH(bool, gatewayDeleted);
        open(HandWritten);
        MessageBoxAnswerer answerer(QMessageBox::No);
        window->setDesignMode(gatewayDeleted);
        QList<NodeHandle> site;
        for (Node* row : window->trees()->energizerModel()->rootNode()->children)
            site << NodeHandle(row) << NodeHandle(row->child(0));
        for (int tab = 0; tab < window->workspaces()->count(); ++tab) {
            for (QGraphicsItem* item : window->workspaces()->sceneAt(tab)->items()) {
                if (auto* box = dynamic_cast<GraphicsBox*>(item)) {
                    site << NodeHandle(box->node());
                    box->setSelected(gatewayDeleted && box->kind() == GraphicsBox::GatewayBox);
                }
            }
        }
        // A gateway's status row with a device, and the gateway, button, text and picture boxes.
        QCOMPARE(site.size(), 6);
        window->alarms()->alarmConfirmDlg()->showAlarmConfirm(window->trees()->energizerModel()->rootNode()->child(0)->child(0));
        window->deviceStates()->gatewayStatus(qtClient::HeartBeatTimedOut);
        window->deviceStates()->twStatus(qtClient::Error);
        auto* table = window->alarms()->alarmConfirmDlg()->findChild<QTableWidget*>(QStringLiteral("alarmTable"));
        QCOMPARE(table->rowCount(), 1);
        const QString line = table->item(0, 0)->text();
        QVERIFY(!label("gatewayStatusLabel")->styleSheet().isEmpty());
        if (gatewayDeleted) {
            formChild(window.get(), "actDelete")->trigger();
            QCOMPARE(window->trees()->energizerModel()->rootNode()->childCount(), 0);
        }
        const QString confirmed = "select info from logUserAction where subject='ConfirmAlarm' and id > "
                                  + sqlRows("select coalesce(max(id), 0) from logUserAction").value(0);
        formChild(window.get(), action.constData())->trigger();
        QCOMPARE(table->rowCount(), 1);
        QVERIFY(window->alarms()->alarmConfirmDlg()->isVisible());
        // Open connects the new project's links, which may already say so.
        for (QLabel* field : {label("gatewayStatusLabel"), label("twStatusLabel")})
            QVERIFY2(field->styleSheet() != DeviceStates::AlarmStyle, qPrintable(field->text()));
        for (const NodeHandle& node : qAsConst(site))
            QVERIFY(!node.get());
        QVERIFY(sqlRows(confirmed).isEmpty());
        QVERIFY(operatorClick(window->alarms()->alarmConfirmDlg()->findChild<QWidget*>(QStringLiteral("btnOK"))));
        QTRY_COMPARE(sqlRows(confirmed), QStringList{"Alarm " + line + " is confirmed"});
        QCOMPARE(table->rowCount(), 0);
    }

    void newFileStartsEmpty()
    {
        open(HandWritten);
        window->project()->setModified(true);
        MessageBoxAnswerer answerer(QMessageBox::No);
        formChild(window.get(), "actNew")->trigger();
        QCOMPARE(window->workspaces()->count(), 1);
        QCOMPARE(window->workspaces()->tabs()->tabText(0), QStringLiteral("Untitled 1"));
        QVERIFY(!window->project()->isModified());
        QVERIFY(window->windowTitle().endsWith(QLatin1Char(' ')));
        QCOMPARE(window->currentFileName(), QString());
        // The project's alarm caption gives way to the settings' again.
        QCOMPARE(window->alarms()->alarmCaption(), TextAlarmSettings::DefaultCaption);
        const QList<TimerData> timers = window->units()->timerUnit()->timers();
        QCOMPARE(timers.size(), 2);
        QCOMPARE(timers.at(1).name, QStringLiteral("Timer2"));
        QCOMPARE(window->trees()->energizerModel()->rootNode()->childCount(), 0);
        QCOMPARE(window->trees()->twSensorModel()->rootNode()->childCount(), 1);
        QCOMPARE(window->trees()->twSensorModel()->rootNode()->child(0)->data(2).toString(), QStringLiteral("Untitled 1"));
        QCOMPARE(window->workspaces()->sceneAt(0)->items().size(), 0);
    }

    void lenientReading_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<int>("tabs");
        QTest::addColumn<bool>("twEnabled");
        QTest::addColumn<int>("sensors");
        QTest::newRow("other root, comments")
            << QByteArray("<Workplaces><!-- c --><Workplaces><!-- c --><Workplace name=\"A\"><TWSensors IP=\"x\" enabled=\"5\">"
                          "<!-- c --><Sensor name=\"s\" enabled=\"1\"/></TWSensors></Workplace></Workplaces></Workplaces>")
            << 1 << true << 1;
        QTest::newRow("enabled yes") << QByteArray("<Project><Workplaces><Workplace name=\"A\"><TWSensors enabled=\"yes\"/>"
                                                   "</Workplace><Workplace name=\"B\"/></Workplaces></Project>")
                                     << 2 << false << 0;
        QTest::newRow("default TW tree") << QByteArray("<Project><Workplaces><Workplace name=\"A\"><Item itemType=\"circle\"/>"
                                                       "<Item itemType=\"TWSector\" name=\"t\"/></Workplace></Workplaces></Project>")
                                         << 1 << false << SiteTrees::TWSensorCount;
    }

    // A refused value of a file the operator may edit is logged cut: a line
    // of the log never holds a megabyte of it.
    void refusedValuesAreLoggedCut()
    {
        const QByteArray huge(ProjectLimits::MaxTextLength - 2, '7');
        writeFile(path("huge.xml"), "<Project><ColorStatus okStatus=\"" + huge + "\"/><Workplaces><Workplace name=\"A\">"
                                    "<Item itemType=\"OsprelVell\" IP=\"" + huge + "\" name=\"box1\" width=\"" + huge
                                        + "e9\"/><TWSensors IP=\"" + huge + "\" enabled=\"1\"/></Workplace></Workplaces></Project>");
        MessageCatcher catcher;
        open(path("huge.xml"));
        const QStringList cut = catcher.messages().filter(QStringLiteral("characters in all"));
        QCOMPARE(cut.size(), 4);
        for (const QString& line : catcher.messages())
            QVERIFY2(line.size() < 2 * LoggedTextChars + 300, qPrintable(line.left(300)));
    }

    void lenientReading()
    {
        QFETCH(QByteArray, xml);
        QFETCH(int, tabs);
        QFETCH(bool, twEnabled);
        QFETCH(int, sensors);
        writeFile(path("lenient.xml"), xml);
        open(path("lenient.xml"));
        QCOMPARE(window->workspaces()->count(), tabs);
        Node* system = window->trees()->twSensorModel()->rootNode()->child(0);
        QVERIFY(system && system->deviceNode);
        QCOMPARE(bool(system->enabled), twEnabled);
        QCOMPARE(system->childCount(), sensors);
        QCOMPARE(system->data(3).toInt(), 0);
        QCOMPARE(system->deviceNode->parent(), window->workspaces()->sceneAt(0)->workplaceNode());
    }
};

QTEST_MAIN(TstProjectFile)
#include "tst_projectfile.moc"
