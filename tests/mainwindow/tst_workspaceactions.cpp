#include "formchild.h"
#include "elementtreearea.h"
#include "mainwindow.h"
#include "mapedittools.h"
#include "projectdocument.h"

#include "chooserhooks.h"
#include "dialoglaunchers.h"
#include "elementtreeorder.h"
#include "globals.h"
#include "scopedhook.h"
#include "elementtreeproxymodel.h"
#include "property.h"
#include "propertyeditordelegate.h"
#include "propertypanel.h"
#include "propertyset.h"
#include "treepropertybrowser.h"
#include "twsensorsstateswidget.h"
#include "gatewaysubtree.h"
#include "graphicsbox.h"
#include "graphicsline.h"
#include "graphicscircle.h"
#include "graphicsscene.h"
#include "graphicstextitem.h"
#include "mapprint.h"
#include "messageboxanswerer.h"
#include "messagecatcher.h"
#include "operatorclick.h"
#include "pdfprobe.h"
#include "resources.h"
#include "node.h"
#include "testhome.h"
#include "treemodel.h"
#include "workspacearea.h"
#include "alarmstateswidget.h"
#include "sitetrees.h"

#include <QComboBox>
#include <QTreeWidgetItem>
#include <QScrollBar>
#include <QGraphicsSceneMouseEvent>
#include <QGraphicsView>
#include <QPrinter>
#include <QDockWidget>
#include <QLabel>
#include <QToolBar>
#include <QMenu>
#include <QTreeView>
#include <QTabWidget>
#include <QUndoStack>
#include <QtTest>

namespace {

// Answers the workspace set-up page with preset values.
class SetupAnswers : public DialogLaunchers
{
public:
    using DialogLaunchers::DialogLaunchers;
    int workspaceSetup(QString& caption, QString& imageFile, int& mode) override
    {
        if (!nextCaption.isNull())
            caption = nextCaption;
        imageFile = nextImage;
        mode = nextMode;
        return 1;
    }
    int gatewaySetup(GatewaySetupHost*) override { return onGatewaySetup(), 1; }
    std::function<void()> onGatewaySetup = [] {};
    QString nextCaption = QStringLiteral("Yard");
    QString nextImage;
    int nextMode = 0;
};

template <typename T> T* place(GraphicsScene* scene, T* item)
{
    scene->insertItem(item);
    scene->setUniqueName(item);
    ElementTreeOrder::hangSorted(scene->workplaceNode(), item->node());
    return item;
}

void clickScene(QGraphicsScene* scene, const QPointF& pos)
{
    for (QEvent::Type type : {QEvent::GraphicsSceneMousePress, QEvent::GraphicsSceneMouseRelease}) {
        QGraphicsSceneMouseEvent event(type);
        event.setScenePos(pos);
        event.setButtonDownScenePos(Qt::LeftButton, pos);
        event.setButton(Qt::LeftButton);
        event.setButtons(type == QEvent::GraphicsSceneMousePress ? Qt::LeftButton : Qt::NoButton);
        QApplication::sendEvent(scene, &event);
    }
}

QStringList childNames(const Node* node)
{
    QStringList names;
    for (const Node* child : node->children) {
        if (child->type != Node::TWSystem)
            names << child->data(1).toString();
    }
    return names;
}

} // namespace

class TstWorkspaceActions : public QObject
{
    Q_OBJECT

private:
    TestHome home;
    std::unique_ptr<MainWindow> window;
    SetupAnswers* answers = nullptr;

    GraphicsScene* scene(int tab) const { return window->workspaces()->sceneAt(tab); }

    // Where a scene point of the map in front shows in the window.
    QPoint onMap(const QPointF& scenePos) const
    {
        QGraphicsView* view = window->workspaces()->currentView();
        return view->viewport()->mapTo(window.get(), view->mapFromScene(scenePos));
    }

    // A drag on the map in front through the window, `key` pressed midway (with Ctrl for X and V).
    void drag(QPointF from, QPointF to, Qt::Key key = Qt::Key(0))
    {
        QWindow* handle = window->windowHandle();
        QTest::mousePress(handle, Qt::LeftButton, {}, onMap(from));
        QTest::mouseMove(handle, onMap(from + QPointF(5, 5)));
        if (key)
            QTest::keyClick(handle, key, key == Qt::Key_X || key == Qt::Key_V ? Qt::ControlModifier : Qt::NoModifier);
        QTest::mouseMove(handle, onMap(to));
        QTest::mouseRelease(handle, Qt::LeftButton, {}, onMap(to));
    }

    // A text box placed by a click in design mode, as the operator does.
    GraphicsBox* placeTextBox(GraphicsScene* map)
    {
        window->workspaces()->setDesignMode(true);
        map->setMode(GraphicsScene::DrawText);
        clickScene(map, QPointF(40, 40));
        QGraphicsItem* item = map->items(QPointF(60, 60)).value(0);
        return item && item->type() == GraphicsBox::Type ? static_cast<GraphicsBox*>(item) : nullptr;
    }

private slots:
    void initTestCase()
    {
        initLumetraResources();  // the lightning icon is clicked
        QVERIFY(home.openDatabase());
        g_currentUser = QStringLiteral("admin");
        QFont pixels = QApplication::font();  // sized in pixels, as the program's
        pixels.setPixelSize(11);
        QApplication::setFont(pixels);
        QSettings(home.filePath(QStringLiteral("setting.ini")), QSettings::IniFormat)
            .setValue(QStringLiteral("LoadLastFile"), false);
    }

    void init()
    {
        window = std::make_unique<MainWindow>();
        auto launchers = std::make_unique<SetupAnswers>(window.get());
        answers = launchers.get();
        window->setDialogLaunchers(std::move(launchers));
    }

    void cleanup()
    {
        window->project()->setModified(false);
        window.reset();
    }

    void workspaceLifecycle()
    {
        window->workspaces()->addWorkspace(QString());
        window->workspaces()->addWorkspace(QString());
        answers->nextCaption = QString();
        formChild(window.get(), "actNewBlankWorkspace")->trigger();
        QCOMPARE(window->workspaces()->tabs()->tabText(3), QStringLiteral("Untitled 4"));
        answers->nextCaption = QStringLiteral("Yard");
        answers->nextMode = 2;
        formChild(window.get(), "actWorkspaceSetup")->trigger();
        QCOMPARE(window->workspaces()->tabs()->tabText(3), QStringLiteral("Yard"));
        QCOMPARE(scene(3)->workplaceNode()->data(0).toString(), QStringLiteral("Yard"));
        QCOMPARE(window->workspaces()->workplaceMode(scene(3)), 2);
        QVERIFY(formChild<QDockWidget>(window.get(), "dockAlarmStates")->isHidden());
        QVERIFY(window->project()->isModified());
        QCOMPARE(window->trees()->twSensorModel()->rootNode()->childCount(), 2);

        // Deleting tab 1 of 4 shifts the TW system of the later workspace with it.
        QSignalSpy log(window.get(), &MainWindow::writeUserActionLog);
        window->workspaces()->tabs()->setCurrentIndex(1);
        {
            MessageBoxAnswerer yes(QMessageBox::Yes);
            formChild(window.get(), "actDeleteWorkplace")->trigger();
        }
        QCOMPARE(window->workspaces()->count(), 3);
        QCOMPARE(log.size(), 1);
        QCOMPARE(log.first().at(1).toString(), QStringLiteral("Workspace Untitled 2 deleted"));
        Node* yardSystem = window->trees()->twSensorModel()->rootNode()->child(1);
        QCOMPARE(yardSystem->data(3).toInt(), 2);
        QCOMPARE(yardSystem->deviceNode->parent(), scene(2)->workplaceNode());

        for (int tab = 2; tab >= 0; --tab) {
            window->workspaces()->tabs()->setCurrentIndex(tab);
            if (tab == 0) {
                answers->nextMode = 0;
                formChild(window.get(), "actWorkspaceSetup")->trigger();
            }
            MessageBoxAnswerer yes(QMessageBox::Yes);
            formChild(window.get(), "actDeleteWorkplace")->trigger();
        }
        QCOMPARE(window->workspaces()->count(), 1);
        QCOMPARE(window->workspaces()->tabs()->tabText(0), QStringLiteral("Untitled 1"));
        QCOMPARE(window->elementTree()->proxy()->rowCount(), 1);
        QCOMPARE(log.size(), 3);
        formChild(window.get(), "actDelete")->trigger();
    }

    // Every view that knows the workspace by its caption follows a rename,
    // from the set-up page and from the panel alike.
    void renameReachesEveryView()
    {
        Node* workplace = scene(0)->workplaceNode();
        PropertySet* docked = window->propertyPanel()->dockedSet();
        docked->currentNode = workplace;
        window->propertyPanel()->fillPropertyBrowser(docked, nullptr, workplace);
        Node* system = window->trees()->twSensorModel()->rootNode()->child(0);
        const auto check = [&](const QString& caption) {
            QCOMPARE(window->elementTree()->proxy()->rowCount(), 1);
            QCOMPARE(docked->propertyNames.key("WorkspaceCaption")->valueText(), caption);
            QCOMPARE(window->findChild<TWSensorsStatesWidget*>()->currentWorkspace() + system->data(2).toString(), caption + caption);
            QCOMPARE(system->data(0).toString(), caption);
        };
        formChild(window.get(), "actWorkspaceSetup")->trigger();
        check(QStringLiteral("Yard"));
        docked->setValue(QStringLiteral("WorkspaceCaption"), QStringLiteral("Gate house"));
        check(QStringLiteral("Gate house"));
        // The panel follows the settings read, and a device renamed in the KX4 set-up.
        QSettings(home.filePath(QStringLiteral("setting.ini")), QSettings::IniFormat).setValue("TextAlarmBGColorMode", "rgba(1,2,3,255)");
        window->loadSettings();
        QSettings(home.filePath(QStringLiteral("setting.ini")), QSettings::IniFormat).remove("TextAlarmBGColorMode");
        QCOMPARE(docked->propertyNames.key("TextAlarmBackground")->valueText(), QStringLiteral("[1, 2, 3] (255)"));
        Node* energizer = place(scene(0), new GraphicsBox(GraphicsBox::GatewayBox))->node()->child(0);
        docked->currentNode = energizer;
        window->propertyPanel()->fillPropertyBrowser(docked, nullptr, energizer);
        answers->onGatewaySetup = [energizer] { energizer->setData(0, QStringLiteral("North")); };
        window->showOsprelVellSetup();
        QCOMPARE(docked->propertyNames.key("EnergizerName")->valueText(), QStringLiteral("North"));
    }

    // The tree and the panel leave the element picked on the tab left behind; the panel shows its caption and
    // picture file. A row edited there goes at once, its editor later: no new row stays unpainted for it.
    void tabSelectsItsWorkplace()
    {
        window->propertyPanel()->setDesignMode(true);
        window->workspaces()->addWorkspace(QStringLiteral("Other"));
        answers->nextImage = home.filePath(QStringLiteral("other.png"));
        QVERIFY(QImage(8, 8, QImage::Format_RGB32).save(answers->nextImage));
        formChild(window.get(), "actWorkspaceSetup")->trigger();
        PropertySet* panel = window->propertyPanel()->dockedSet();
        const auto row = [panel](const char* name) { return panel->browser->propertyTreeItem(panel->propertyNames.key(name)); };
        auto* rows = panel->browser->findChild<QTreeWidget*>();
        auto* delegate = static_cast<PropertyEditorDelegate*>(rows->itemDelegate());
        for (int tab : {0, 1}) {
            window->elementTree()->showElementNode(place(scene(1 - tab), new GraphicsBox(GraphicsBox::TextBox))->node());
            QVERIFY(operatorClick(rows->viewport(), rows->visualItemRect(row("Caption")).center() + QPoint(rows->width() / 4, 0)) && delegate->editedRow() == row("Caption"));
            window->workspaces()->tabs()->setCurrentIndex(tab);
            QVERIFY(!delegate->editedRow());
            QCOMPARE(panel->node(), scene(tab)->workplaceNode());
            QCOMPARE(row("WorkspaceCaption")->text(1) + '|' + row("Bground image")->text(1), tab ? "Yard|" + answers->nextImage : "Untitled 1|");
            QVERIFY(formChild<QTreeView>(window.get(), "treeView")->isExpanded(window->elementTree()->proxy()->index(0, 0)));
        }
    }

    // Print preview shows the map in front; from there it prints, here to a
    // PDF. A selected item prints as it looks unselected, and stays selected.
    void printPreviewShowsTheMap()
    {
        window->workspaces()->addWorkspace(QStringLiteral("Yard"));
        window->workspaces()->setDesignMode(true);
        GraphicsBox* box = place(scene(1), new GraphicsBox(GraphicsBox::TextBox));
        box->setCaption(QStringLiteral("NORTH GATE"));
        // Items in alarm print steadily, whatever their blink phase, and blink on.
        auto* line = place(scene(1), new GraphicsLine);
        line->setPoints({{0, 200}, {300, 200}});
        auto* circle = place(scene(1), new GraphicsCircle(GraphicsCircle::PlacedKind));
        const QString pdf = home.filePath(QStringLiteral("map.pdf"));
        const ScopedHook preview(&MapPrint::setHook, [&](QPrinter* printer, QWidget*, const MapPrint::Painter& paint) {
            printer->setOutputFileName(pdf);
            paint(printer);
        });
        QImage pages[2];
        for (QImage& page : pages) {
            line->setStatus(Node::Critical, Qt::red);
            box->setStatus(Node::Critical);
            circle->setStatus(SensorState::Alarm);
            formChild(window.get(), "actPrintPreview")->trigger();
            QCOMPARE(line->blinkPhase() + box->blinkPhase() + circle->blinkPhase(), 3 * (&page - pages));
            page = PdfProbe::pageImage(pdf, 1, 50);
            box->setItemSelected(true);
        }
        QCOMPARE(PdfProbe::pageCount(pdf), 1);
        QVERIFY(PdfProbe::text(pdf).contains(QStringLiteral("ALARM!")));
        QVERIFY(!pages[0].isNull() && pages[1] == pages[0] && box->isSelected());
    }

    void clipboard()
    {
        window->workspaces()->setDesignMode(true);
        GraphicsScene* first = scene(0);
        auto* box = place(first, new GraphicsBox(GraphicsBox::TextBox));
        box->setElementPos(40, 60);
        box->setCaption(QStringLiteral("Gate A"));
        auto* line = place(first, new GraphicsLine);
        line->setPoints({{0, 0}, {50, 0}});
        box->setSelected(true);
        formChild(window.get(), "actCopy")->trigger();
        formChild(window.get(), "actPaste")->trigger();
        formChild(window.get(), "actPaste")->trigger();
        QCOMPARE(childNames(first->workplaceNode()), (QStringList{"fence1", "box1", "box2", "box3"}));
        QVERIFY(window->project()->isModified());
        // Each copy is named in the tree by its caption and lies a grid step
        // further, where it can be seen and picked.
        for (int n : {2, 3}) {
            Node* copy = window->trees()->elementModel()->findNode(QModelIndex(), 1, QStringLiteral("box%1").arg(n));
            auto* copied = static_cast<GraphicsBox*>(copy->mapItem);
            QCOMPARE(copy->data(0).toString(), QStringLiteral("Gate A"));
            QCOMPARE(copied->caption(), QStringLiteral("Gate A"));
            QCOMPARE(copied->pos(), box->pos() + (n - 1) * QPointF(GraphicsScene::GridSize, GraphicsScene::GridSize));
        }

        // A circle riding on the cut line goes with it, its node too; a cut gateway's state rows name its new workspace.
        auto* circle = place(first, new GraphicsCircle(GraphicsCircle::PlacedKind));
        circle->setElementPos(20, 0);
        circle->mouseReleaseEvent(nullptr);
        Node* circleNode = circle->node();
        auto* gateway = place(first, new GraphicsBox(GraphicsBox::GatewayBox));
        window->trees()->rebuildEnergizerModel(*window->workspaces());
        window->workspaces()->addWorkspace(QStringLiteral("Other"));
        window->workspaces()->tabs()->setCurrentIndex(0);
        first->clearSelection();
        line->setSelected(true);
        gateway->setSelected(true);
        formChild(window.get(), "actCut")->trigger();
        QVERIFY(!line->isVisible());
        window->workspaces()->tabs()->setCurrentIndex(1);
        formChild(window.get(), "actPaste")->trigger();
        QCOMPARE(window->trees()->energizerModel()->rootNode()->children, QList<Node*>{gateway->energizerNode()});
        QCOMPARE(gateway->energizerNode()->child(0)->data(GatewaySubtree::WorkspaceColumn).toString(), QStringLiteral("Other"));
        QCOMPARE(line->scene(), scene(1));
        QVERIFY(line->isVisible());
        QCOMPARE(line->node()->parent(), scene(1)->workplaceNode());
        QVERIFY(circle->parentItem() == line && scene(1)->workplaceNode()->isAncestorOf(circleNode));
        window->workspaces()->tabs()->setCurrentIndex(0);
        MessageBoxAnswerer yes(QMessageBox::Yes);
        formChild(window.get(), "actDeleteWorkplace")->trigger();
        QVERIFY(Node::isAlive(circleNode) && circle->node() == circleNode);
    }

    // Each tab's undo reaches only the items on its own map.
    void cutAndPasteAcrossTabsThenUndo()
    {
        GraphicsScene* first = scene(0);
        GraphicsBox* box = placeTextBox(first);
        QVERIFY(box);
        QCOMPARE(first->undoStack()->count(), 1);
        window->workspaces()->addWorkspace(QStringLiteral("Other"));
        window->workspaces()->tabs()->setCurrentIndex(0);
        box->setSelected(true);
        formChild(window.get(), "actCut")->trigger();
        window->workspaces()->tabs()->setCurrentIndex(1);
        formChild(window.get(), "actPaste")->trigger();
        window->workspaces()->tabs()->setCurrentIndex(0);

        MessageCatcher catcher;
        formChild(window.get(), "actUndo")->trigger();
        QCOMPARE(box->scene(), scene(1));
        QCOMPARE(box->node()->parent(), scene(1)->workplaceNode());
        QVERIFY(!catcher.contains(QStringLiteral("removeItem")));
        // The step that placed the box is gone from the tab it left.
        QCOMPARE(first->undoStack()->count(), 0);
    }

    // A cut box that an undo has taken off its map belongs to that step: a
    // paste leaves it there, and redo brings it back.
    void cutBoxTakenOffByUndoIsNotPasted()
    {
        GraphicsScene* first = scene(0);
        GraphicsBox* box = placeTextBox(first);
        QVERIFY(box);
        box->setSelected(true);
        formChild(window.get(), "actCut")->trigger();
        formChild(window.get(), "actUndo")->trigger();
        QVERIFY(!box->scene());
        window->workspaces()->addWorkspace(QStringLiteral("Other"));
        formChild(window.get(), "actPaste")->trigger();
        QVERIFY(!box->scene());
        window->workspaces()->tabs()->setCurrentIndex(0);
        formChild(window.get(), "actRedo")->trigger();
        QCOMPARE(box->scene(), first);
        QCOMPARE(box->node()->parent(), first->workplaceNode());
    }

    void lineWidthFontAndPosition()
    {
        window->workspaces()->setDesignMode(true);
        GraphicsScene* first = scene(0);
        auto* line = place(first, new GraphicsLine);
        auto* selected = place(first, new GraphicsBox(GraphicsBox::TextBox));
        auto* other = place(first, new GraphicsBox(GraphicsBox::TextBox));
        window->mapEditTools()->lineWidthCombo()->setCurrentText(QStringLiteral("8"));
        window->mapEditTools()->changeLineThickenss();
        QCOMPARE(line->lineWidth(), 8);
        selected->setSelected(true);
        formChild(window.get(), "actBold")->setChecked(true);
        window->mapEditTools()->handleFontChange(MapEditTools::FontBold);
        QCOMPARE(selected->captionItem()->font().weight(), 75);
        QVERIFY(other->captionItem()->font().weight() != 75);
        window->mousePos(QPointF(12.5, 40));
        QCOMPARE(window->findChild<QLabel*>(QStringLiteral("positionLabel"))->text(), QStringLiteral("X: 12.5 Y: 40"));
    }

    // An item clicked on the map in design mode lights the text-format tools
    // of its kind, whatever lies under it; its font size shows and saves in points.
    // Bold changes only that of the font (a family the font combo cannot show
    // stays), in the panel and a button box's design-mode label too.
    void textFormatFollowsTheClickedItem_data()
    {
        QTest::addColumn<int>("clicked");
        QTest::addColumn<QString>("lit");
        QTest::newRow("text box") << 0 << "Bold Italic Underline FontColor BackgroundColor BorderColor AlignLeft "
                                          "AlignCenter AlignRight size 8";
        QTest::newRow("button box") << 1 << "Bold Italic Underline size 8";
        QTest::newRow("fence line") << 2 << "BorderColor";
        QTest::newRow("gateway box") << 3 << "";
    }

    void textFormatFollowsTheClickedItem()
    {
        QFETCH(int, clicked);
        auto* line = place(scene(0), new GraphicsLine);
        line->setPoints({{300, 300}, {500, 300}});
        const QList<QGraphicsItem*> items{place(scene(0), new GraphicsBox(GraphicsBox::TextBox)),
                                          place(scene(0), new GraphicsBox(GraphicsBox::ButtonBox)), line,
                                          place(scene(0), new GraphicsBox(GraphicsBox::GatewayBox))};
        items.at(clicked)->setZValue(50);
        static_cast<GraphicsBox*>(items.at(1))->addActionButton();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        MessageBoxAnswerer answerer;
        formChild(window.get(), "actDesignMode")->trigger();
        QGraphicsView* view = scene(0)->views().first();
        const QPointF target = clicked == 2 ? QPointF(400, 300) : items.at(clicked)->mapToScene(5, 5);
        view->centerOn(target);
        QVERIFY(operatorClick(view->viewport(), view->mapFromScene(target)));
        QStringList lit;
        for (const QString& name : QStringLiteral("Bold Italic Underline FontColor BackgroundColor BorderColor "
                                                  "AlignLeft AlignCenter AlignRight").split(' '))
            if (formChild(window.get(), qPrintable("act" + name))->isEnabled())
                lit << name;
        if (window->mapEditTools()->fontSizeCombo()->isEnabled())
            lit << "size" << window->mapEditTools()->fontSizeCombo()->currentText();
        QTEST(lit.join(' '), "lit");
        if (clicked < 2) {
            auto* box = static_cast<GraphicsBox*>(items.at(clicked));
            box->setTextFont(QFont(QStringLiteral("Sans Serif"), 8));
            QWidget* bold = formChild<QToolBar>(window.get(), "fontToolBar")->widgetForAction(formChild(window.get(), "actBold"));
            QVERIFY(operatorClick(bold, QPoint(5, 5)));
            QCOMPARE(window->propertyPanel()->dockedSet()->propertyNames.key("Font")->valueText(), QStringLiteral("[Sans Serif, 8]"));
            QVERIFY(box->textFont().bold() && box->textFont().family() == "Sans Serif");
            QVERIFY(clicked == 0 || box->buttonLabel()->font() == box->textFont());
        }
        QDomDocument file;
        QVERIFY(clicked == 2 || static_cast<GraphicsBox*>(items.at(clicked))->toXml(file).attribute("fontSize") == "8");
    }

    // Map edits through the window, on a workspace added in design mode,
    // whose map lies aligned left and top in a wide view. An item ends where
    // the mouse takes it, past the map's edges too; the map grows to hold
    // whatever grows, after Undo and Redo too. Out of design mode a button
    // box keeps no handle and takes only its clicks. New starts from the
    // least map, and the views filtering by caption follow its name.
    void mapEditsThroughTheWindow_data()
    {
        QTest::addColumn<int>("kind"); // of box; 0 a fence line
        QTest::addColumn<QPointF>("at");
        QTest::addColumn<QPointF>("from");
        QTest::addColumn<QPoint>("by");
        QTest::addColumn<QRectF>("shape");
        const QPointF body(300, 120);
        QTest::newRow("box dragged left") << 2 << body << QPointF(400, 170) << QPoint(-465, 0) << QRectF(-165, 120, 200, 80);
        QTest::newRow("box dragged to the left edge") << 2 << body << QPointF(400, 170) << QPoint(-390, 0) << QRectF(-90, 120, 200, 80);
        QTest::newRow("box handle") << 2 << QPointF(30, 30) << QPointF(213, 93) << QPoint(600, 600) << QRectF(30, 30, 800, 680);
        QTest::newRow("line point") << 0 << QPointF() << QPointF(150, 50) << QPoint(0, 677) << QRectF(44.5, 44.5, 111, 688);
        QTest::newRow("workspace picture") << 14 << QPointF(-20, -20) << QPointF() << QPoint() << QRectF(-23, -23, 1600, 1200);
        QTest::newRow("button out of design") << 4 << QPointF(40, 40) << QPointF(223, 103) << QPoint(120, 80) << QRectF(40, 40, 200, 80);
    }

    void mapEditsThroughTheWindow()
    {
        QFETCH(int, kind);
        QFETCH(QPointF, at);
        QFETCH(QPointF, from);
        QFETCH(QPoint, by);
        window->resize(1300, 900);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        MessageBoxAnswerer answerer(QMessageBox::No);
        formChild(window.get(), "actDesignMode")->trigger();
        answers->nextCaption = QStringLiteral("North");
        formChild(window.get(), "actWorkspaceSetup")->trigger();
        formChild(window.get(), "actNewBlankWorkspace")->trigger();
        GraphicsScene* map = window->workspaces()->currentScene();
        const auto holds = [map] { return map->sceneRect().united(map->itemsBoundingRect()) == map->sceneRect(); };
        for (int side : {100, 1600}) {
            QImage picture(side, side * 3 / 4, QImage::Format_Mono);
            picture.fill(0);
            answers->nextImage = home.filePath(QStringLiteral("%1.png").arg(side));
            if (picture.save(answers->nextImage) && kind == GraphicsBox::ImageBox)
                formChild(window.get(), "actWorkspaceSetup")->trigger();
            QTRY_VERIFY(holds());
        }
        if (kind == 0) {
            auto* line = place(map, new GraphicsLine);
            line->setPoints({{50, 50}, {150, 50}});
            line->setItemSelected(true);
        } else if (kind != GraphicsBox::ImageBox) {
            formChild(window.get(), kind == GraphicsBox::TextBox ? "actDrawText" : "actDrawButton")->trigger();
            QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, onMap(at));
        }
        GraphicsHelperClass* element = nullptr;
        for (QGraphicsItem* found : map->items(kind ? at + QPointF(5, 5) : from))
            element = element ? element : dynamic_cast<GraphicsHelperClass*>(found);
        QVERIFY(element && (kind == GraphicsBox::ImageBox || element->handles().first()));
        QGraphicsItem* item = element->item();
        if (kind == GraphicsBox::ButtonBox) {
            formChild(window.get(), "actCopy")->trigger();
            formChild(window.get(), "actDesignMode")->trigger();
        }
        const int steps = map->undoStack()->count();
        QGraphicsView* view = window->workspaces()->currentView();
        const QPoint end = view->viewport()->mapFrom(window.get(), onMap(from) + by);
        if (!by.isNull()) {
            const QPoint start = onMap(from);
            QTest::mousePress(window->windowHandle(), Qt::LeftButton, {}, start);
            for (int step = 1; step <= 5; ++step)
                QTest::mouseMove(window->windowHandle(), start + by * step / 5);
            QTest::mouseRelease(window->windowHandle(), Qt::LeftButton, {}, start + by);
        }
        QTEST(item->sceneBoundingRect(), "shape");
        QTRY_VERIFY(holds());
        // The map did not move under the mouse as it grew.
        QCOMPARE(view->mapToScene(end), from + by);
        if (kind == GraphicsBox::ButtonBox) {
            QPushButton* button = static_cast<GraphicsBox*>(item)->actionButton();
            const bool checked = button->isChecked();
            QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, onMap(at + QPointF(100, 40)));
            QVERIFY(button->isChecked() != checked && map->undoStack()->count() == steps);
            // Nor do the Edit menu and its keys change the map, whatever is selected.
            const int items = map->items().size();
            item->setSelected(true);
            QTest::keyClick(window->windowHandle(), Qt::Key_Delete);
            QTest::keyClick(window->windowHandle(), Qt::Key_V, Qt::ControlModifier);
            formChild(window.get(), "actUndo")->trigger();
            QVERIFY(map->items().size() == items && map->undoStack()->index() == steps && item->scene() == map);
            formChild(window.get(), "actDesignMode")->trigger();
        }
        // A picture given to the map now lies beneath the item.
        formChild(window.get(), "actWorkspaceSetup")->trigger();
        QGraphicsItem* bottom = map->items(item->sceneBoundingRect()).last();
        QVERIFY(bottom->type() == GraphicsBox::Type && static_cast<GraphicsBox*>(bottom)->kind() == GraphicsBox::ImageBox);
        for (const char* step : {"actUndo", "actRedo"}) {
            formChild(window.get(), step)->trigger();
            QTRY_VERIFY(holds());
        }
        formChild(window.get(), "actNew")->trigger();
        QCOMPARE(scene(0)->sceneRect(), QRectF(0, 0, GraphicsScene::LeastSceneSize, GraphicsScene::LeastSceneSize));
        QTRY_VERIFY(!window->workspaces()->currentView()->horizontalScrollBar()->isVisible());
        place(scene(0), new GraphicsBox(GraphicsBox::GatewayBox));
        window->trees()->rebuildEnergizerModel(*window->workspaces());
        auto* states = window->findChild<AlarmStatesWidget*>();
        auto* onlyCurrent = formChild<QWidget>(states, "btnShowCurrentWorkSpaceAlarm");
        QVERIFY(operatorClick(onlyCurrent, QPoint(4, 4)));
        QCOMPARE(formChild<QTreeView>(states, "statesAlarmTree")->model()->rowCount(), 1);
    }

    // What a click selects on a map, through a fence line's lightning icon above all, frees and makes handles only
    // once Qt has delivered the click: a handle freed while Qt walked the icon's filters or the items under the
    // mouse ended the program. The sequences that did, repeated. Clicks that come together, before the event loop
    // turns (a busy machine), select as they would one by one: a plain click only what it hits, Ctrl adds to it.
    void selectionComesAfterTheClick()
    {
        window->show();
        MessageBoxAnswerer answerer;  // a line of no sector has no popup, and says so
        formChild(window.get(), "actDesignMode")->trigger();
        GraphicsScene* map = scene(0);
        GraphicsBox* boxes[2] = {place(map, new GraphicsBox(GraphicsBox::TextBox)), place(map, new GraphicsBox(GraphicsBox::TextBox))};
        boxes[0]->setElementPos(10, 10);
        boxes[1]->setElementPos(240, 0);
        // The first line's icon lies over the box's lower right handle, the others' over nothing.
        GraphicsLine* lines[3] = {place(map, new GraphicsLine), place(map, new GraphicsLine), place(map, new GraphicsLine)};
        lines[0]->setPoints({{172, 55}, {400, 55}});
        lines[1]->setPoints({{250, 120}, {480, 120}});
        lines[2]->setPoints({{20, 100}, {150, 100}});
        auto* sector = place(map, new GraphicsCircle(GraphicsCircle::PlacedKind));
        sector->setElementPos(420, 10);
        QGraphicsView* view = map->views().first();
        view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->minimum());
        view->verticalScrollBar()->setValue(view->verticalScrollBar()->minimum());
        const auto click = [view](QPointF at, Qt::MouseButton button = Qt::LeftButton, bool twice = false) {
            const QPoint point = view->mapFromScene(at);
            const bool sent = twice ? operatorDoubleClick(view->viewport(), point, button) : operatorClick(view->viewport(), point, button);
            QCoreApplication::processEvents();  // as between the operator's clicks
            return sent;
        };
        const auto clickIcon = [this, click](GraphicsLine* line, Qt::MouseButton button = Qt::LeftButton, bool twice = false) {
            return click(line->icon()->sceneBoundingRect().center(), button, twice)
                && window->elementTree()->currentElement() == line->node() && line->handles().first();
        };
        auto* tree = formChild<QTreeView>(window.get(), "treeView");
        const auto clickRow = [this, tree](Node* node) {
            const QModelIndex row = window->elementTree()->proxy()->mapFromSource(window->trees()->elementModel()->nodeIndex(node));
            tree->scrollTo(row);
            return operatorClick(tree->viewport(), tree->visualRect(row).center());
        };
        const QPointF box(100, 50);
        const int changed = GraphicsScene::handlesChangedInDelivery();
        for (int round = 0; round < 3; ++round) {
            // Active, as again once the popup's message has gone: a click elsewhere ends a caption's editing.
            window->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(window.get()));
            QVERIFY(click(box) && clickIcon(lines[0]));
            QVERIFY(clickIcon(lines[1]) && clickIcon(lines[2]));
            QVERIFY(clickRow(lines[1]->node()) && clickIcon(lines[2]));
            QVERIFY(click(QPointF(440, 30)) && clickIcon(lines[2]));
            QVERIFY(click(box, Qt::LeftButton, true) && clickIcon(lines[2]) && !map->focusItem());
            QVERIFY(clickIcon(lines[2], Qt::RightButton) && clickIcon(lines[2], Qt::MiddleButton)
                    && clickIcon(lines[2], Qt::LeftButton, true));
            QVERIFY(click(QPointF(400, 120)) && clickRow(map->workplaceNode()) && clickIcon(lines[1]));
        }
        // The icon of the line already current selects it too: Delete takes it, Undo brings it back.
        QVERIFY(clickIcon(lines[2]) && clickIcon(lines[2]) && operatorKey(view->viewport(), Qt::Key_Delete) && !lines[2]->scene());
        formChild(window.get(), "actUndo")->trigger();
        QCOMPARE(lines[2]->scene(), map);
        // Clicks sent as a busy machine takes them, the loop not turned between; the last with Ctrl where `add`.
        const auto together = [&](QList<QPointF> clicks, QList<GraphicsHelperClass*> chosen, bool add = false) {
            for (QPointF at : clicks) {
                for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
                    qt_handleMouseEvent(window->windowHandle(), onMap(at), window->mapToGlobal(onMap(at)),
                                        type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::LeftButton, type,
                                        add && at == clicks.last() ? Qt::ControlModifier : Qt::NoModifier,
                                        QTest::lastMouseTimestamp += QTest::mouseDoubleClickInterval);
            }
            QCoreApplication::processEvents();
            Node* last = chosen.last()->node();
            QVERIFY(window->elementTree()->currentElement() == last && window->propertyPanel()->dockedSet()->node() == last);
            QVERIFY(operatorKey(view->viewport(), Qt::Key_Delete));
            for (GraphicsHelperClass* element : std::initializer_list<GraphicsHelperClass*>{boxes[0], boxes[1], lines[2], sector})
                QCOMPARE(!element->item()->scene(), chosen.contains(element));
            formChild(window.get(), "actUndo")->trigger();
        };
        const QPointF icon = lines[2]->icon()->sceneBoundingRect().center(), other(320, 20);
        together({box, other}, {boxes[1]});
        together({box, icon}, {lines[2]});
        together({icon, box}, {boxes[0]});
        together({other, box, QPointF(440, 30)}, {boxes[0], sector}, true);
        QCOMPARE(GraphicsScene::handlesChangedInDelivery(), changed);
    }

    // No two items of a map share a name after edits, pastes, undos and
    // redos: an item that an undo step can bring back keeps its name. The
    // reported steps through the window (box2 copied, box1 deleted, the copy
    // pasted, Undo), then seeded ones on two maps.
    void namesStayApart()
    {
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        MessageBoxAnswerer answerer;
        formChild(window.get(), "actDesignMode")->trigger();
        QGraphicsView* view = window->workspaces()->currentView();
        // Two boxes placed, the second picked and copied, the first picked.
        const QPointF first = view->mapToScene(QPoint(10, 10));
        for (QPointF at : {first, first + QPointF(0, 120), first + QPointF(20, 140), first + QPointF(20, 20)}) {
            if (at.x() == first.x())
                formChild(window.get(), "actDrawText")->trigger();
            QVERIFY(operatorClick(view->viewport(), view->mapFromScene(at)));
            QVERIFY(at.y() != first.y() + 140 || operatorKey(view->viewport(), Qt::Key_C, Qt::ControlModifier));
        }
        QVERIFY(operatorKey(view->viewport(), Qt::Key_Delete) && operatorKey(view->viewport(), Qt::Key_V, Qt::ControlModifier));
        QVERIFY(operatorClick(formChild<QToolBar>(window.get(), "editToolBar")->widgetForAction(formChild(window.get(), "actUndo"))));
        QStringList names = childNames(scene(0)->workplaceNode());
        names.sort();
        QCOMPARE(names, (QStringList{"box1", "box2", "box3"}));

        window->workspaces()->addWorkspace(QStringLiteral("Other"));
        QRandomGenerator random(3);
        for (int step = 0; step < 400; ++step) {
            GraphicsScene* map = window->workspaces()->currentScene();
            const QList<QGraphicsItem*> items = map->items();
            map->clearSelection();
            if (!items.isEmpty())
                items.at(random.bounded(items.size()))->topLevelItem()->setSelected(true);
            if (const int choice = random.bounded(9); choice < 6)
                formChild(window.get(), std::array{"actCopy", "actCut", "actDelete", "actPaste", "actUndo", "actRedo"}[choice])->trigger();
            else if (choice == 6)
                window->workspaces()->tabs()->setCurrentIndex(random.bounded(2));
            else
                map->setMode(GraphicsScene::DrawText), clickScene(map, QPointF(random.bounded(400), random.bounded(400)));
            for (GraphicsScene* each : {scene(0), scene(1)}) {
                names = childNames(each->workplaceNode());
                QCOMPARE(QSet<QString>(names.cbegin(), names.cend()).size(), names.size());
            }
        }
    }

    // Undo and Redo of a placing, of the step before a paste and of a deletion leave the workplace current in the
    // tree and the panel, and nothing selected, whichever row the tree held: a Delete then deletes nothing.
    void undoAndRedoSelectNothingUnchosen()
    {
        window->resize(1300, 900);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        MessageBoxAnswerer answerer;
        formChild(window.get(), "actDesignMode")->trigger();
        GraphicsScene* map = scene(0);
        QGraphicsView* view = window->workspaces()->currentView();
        const auto on = [view](QPointF at) { return operatorClick(view->viewport(), view->mapFromScene(at)); };
        int told = 0;  // rows the map and the panel are told of
        connect(window->elementTree(), &ElementTreeArea::selectionChanged, this, [&](const QItemSelection& rows) { told += !rows.isEmpty(); });
        const auto steps = [&](std::initializer_list<const char*> actions) {
            for (const char* action : actions) {
                told = 0;
                QVERIFY(operatorClick(formChild<QToolBar>(window.get(), "editToolBar")->widgetForAction(formChild(window.get(), action))));
                QVERIFY(told == 1 && window->elementTree()->currentElement() == map->workplaceNode()
                        && window->propertyPanel()->dockedSet()->node() == map->workplaceNode());
                const int index = map->undoStack()->index();
                QVERIFY(operatorKey(view->viewport(), Qt::Key_Delete) && map->undoStack()->index() == index);
            }
        };
        formChild(window.get(), "actDrawText")->trigger();
        QVERIFY(on(QPointF(40, 40)));
        formChild(window.get(), "actDrawLine")->trigger();
        drag(QPointF(40, 300), QPointF(300, 300));
        steps({"actUndo", "actRedo"});  // the line's row current, the box's next
        QVERIFY(on(QPointF(50, 50)) && operatorKey(view->viewport(), Qt::Key_C, Qt::ControlModifier)
                && operatorKey(view->viewport(), Qt::Key_V, Qt::ControlModifier));
        steps({"actUndo", "actRedo"});  // the copy selected
        QVERIFY(on(QPointF(50, 50)) && operatorKey(view->viewport(), Qt::Key_Delete));
        steps({"actUndo"});
        QVERIFY(on(QPointF(50, 50)));  // the box's row current, the copy's next
        steps({"actRedo"});
    }

    // Every kind of element dragged with Delete, Escape, Cut or Paste pressed midway, then Undo twice: Qt is
    // never asked to add an item twice, nor to filter the events of an item off the map.
    void keysDuringDragsLeaveQtQuiet()
    {
        window->resize(1300, 900);  // room for a row of each kind
        window->show();
        MessageBoxAnswerer answerer(QMessageBox::No);
        const ScopedHook wizard(&GraphicsScene::setGatewayWizardHook, [](GraphicsBox*, QWidget*) {});
        formChild(window.get(), "actDesignMode")->trigger();
        window->activateWindow();  // for the keys' shortcuts
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        const QPointF corner = window->workspaces()->currentView()->mapToScene(QPoint(20, 20));
        QWidget* undo = formChild<QToolBar>(window.get(), "editToolBar")->widgetForAction(formChild(window.get(), "actUndo"));
        MessageCatcher catcher;
        int row = 0;
        for (const char* tool : {"actDrawText", "actDrawButton", "actAddOsprelVellWizard", "actAddTWsector", "actDrawLine"}) {
            const QPointF at = corner + QPointF(0, 90 * row++);
            const bool line = row == 5;
            for (Qt::Key key : {Qt::Key_Delete, Qt::Key_Escape, Qt::Key_X, Qt::Key_V}) {
                formChild(window.get(), tool)->trigger();
                drag(at, at + QPointF(line ? 150 : 0, 0));
                drag(corner + QPointF(500, 0), corner + QPointF(500, 0));  // grabbed unselected, without handles
                drag(at + QPointF(line ? 20 : 10, line ? 0 : 10), at + QPointF(40, 20), key);
            }
            QVERIFY(operatorClick(undo) && operatorClick(undo));
        }
        QVERIFY(!catcher.contains(QStringLiteral("has already been added")) && !catcher.contains(QStringLiteral("installSceneEventFilter")));
    }

    void colourCommands_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("accept");
        QTest::addColumn<bool>("selected");
        QTest::newRow("font") << QStringLiteral("actFontColor") << true << true;
        QTest::newRow("background") << QStringLiteral("actBackgroundColor") << true << true;
        QTest::newRow("border") << QStringLiteral("actBorderColor") << true << true;
        QTest::newRow("cancel") << QStringLiteral("actBackgroundColor") << false << true;
        // A colour chosen with nothing selected only marks the project changed.
        QTest::newRow("nothing selected") << QStringLiteral("actBorderColor") << true << false;
    }

    void colourCommands()
    {
        QFETCH(QString, action);
        QFETCH(bool, accept);
        QFETCH(bool, selected);
        window->workspaces()->setDesignMode(true);
        const QColor chosen(10, 20, 30, 40);
        bool offeredInvalid = false;
        const ScopedHook chooser(&ChooserHooks::setColorChooser, [&](QColor& value, QWidget*) {
            offeredInvalid = !value.isValid();
            value = chosen;
            return accept;
        });
        GraphicsScene* first = scene(0);
        auto* box = place(first, new GraphicsBox(GraphicsBox::TextBox));
        auto* line = place(first, new GraphicsLine);
        auto* circle = new GraphicsCircle(GraphicsCircle::PlacedKind);
        first->insertItem(circle);
        const QColor circleColor = circle->color();
        for (QGraphicsItem* item : {static_cast<QGraphicsItem*>(box), static_cast<QGraphicsItem*>(line),
                                    static_cast<QGraphicsItem*>(circle)})
            item->setSelected(selected);
        window->findChild<QAction*>(action)->trigger();
        QVERIFY(offeredInvalid);
        QCOMPARE(window->project()->isModified(), accept);
        const bool applied = accept && selected;
        QCOMPARE(line->color() == chosen, action == QLatin1String("actBorderColor") && applied);
        QCOMPARE(box->captionItem()->defaultTextColor() == chosen, action == QLatin1String("actFontColor") && applied);
        QCOMPARE(box->backgroundColor() == chosen, action == QLatin1String("actBackgroundColor") && applied);
        QCOMPARE(box->color() == chosen, action == QLatin1String("actBorderColor") && applied);
        QCOMPARE(circle->color(), circleColor);
    }

    void treeContextMenu()
    {
        GraphicsScene* first = scene(0);
        auto* circle = new GraphicsCircle(GraphicsCircle::PlacedKind);
        first->insertItem(circle);
        TreeModel* elements = window->trees()->elementModel();
        elements->insertNode(first->workplaceNode(), -1, circle->node());
        auto* view = formChild<QTreeView>(window.get(), "treeView");
        view->setCurrentIndex(window->elementTree()->proxy()->mapFromSource(elements->nodeIndex(circle->node())));
        QCOMPARE(window->elementTree()->currentElement(), circle->node());
        window->elementTree()->fillTreeContextMenu();
        QStringList texts;
        for (QAction* action : window->elementTree()->contextMenu()->actions()) {
            texts << action->text();
            QVERIFY(!action->isEnabled());
        }
        QCOMPARE(texts, (QStringList{"Add action", "Add sensor", "Delete item"}));

        // A sensor hung under the sector can be taken off it again.
        Node* sensor = new Node(QStringLiteral("Sensor3"));
        sensor->type = Node::TWSensor;
        sensor->columns = {QStringLiteral("Sensor3"), 0};
        elements->insertNode(circle->node(), 0, sensor);
        view->expandAll();
        view->setCurrentIndex(window->elementTree()->proxy()->mapFromSource(elements->nodeIndex(sensor)));
        window->elementTree()->fillTreeContextMenu();
        QCOMPARE(window->elementTree()->contextMenu()->actions().size(), 1);
        QSignalSpy log(window.get(), &MainWindow::writeUserActionLog);
        window->elementTree()->removeSensor();
        QCOMPARE(log.size(), 1);
        QCOMPARE(log.first().at(1).toString(),
                 QStringLiteral("From TWSector %1 removed Sensor Sensor3").arg(circle->node()->data(0).toString()));
        QCOMPARE(sensor->parent(), first->workplaceNode());
    }
};

QTEST_MAIN(TstWorkspaceActions)
#include "tst_workspaceactions.moc"
