#include "apppaths.h"
#include "node.h"
#include "operatorclick.h"
#include "resources.h"
#include "shownrownames.h"
#include "testhome.h"
#include "treemodel.h"
#include "twsensorsstateswidget.h"

#include <QHeaderView>
#include <QSettings>
#include <QToolButton>
#include <QTreeView>
#include <QtTest>

#include <memory>

namespace {

// A TW system of a workspace with sensors in the given state classes.
Node* addSystem(Node* root, const QString& name, const QString& workspace, int status, QList<int> sensorStates)
{
    auto* system = new Node(name, root);
    system->type = Node::TWSystem;
    system->columns = {name, status, workspace, 0};
    int n = 0;
    for (int state : sensorStates) {
        auto* sensor = new Node(QString(), system);
        sensor->type = Node::TWSensor;
        sensor->columns = {QStringLiteral("%1-S%2").arg(name).arg(++n), state, QVariant(), QVariant()};
    }
    return system;
}

} // namespace

class TestTWSensorsStatesWidget : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();
    void formAndFirstStart();
    void notReadyFilter();
    void workspaceFilter();
    void refreshAfterUpdate();
    void headerStateSurvivesRestart();

private:
    QTreeView* tree(TWSensorsStatesWidget& widget)
    {
        return widget.findChild<QTreeView*>(QStringLiteral("sensorStatesTree"));
    }
    QToolButton* button(TWSensorsStatesWidget& widget, const char* name)
    {
        return widget.findChild<QToolButton*>(QLatin1String(name));
    }
    std::unique_ptr<TestHome> m_home;
    std::unique_ptr<TreeModel> m_model;
};

void TestTWSensorsStatesWidget::initTestCase()
{
    initLumetraResources();
    m_home = std::make_unique<TestHome>();
    QVERIFY(m_home->isValid());
}

void TestTWSensorsStatesWidget::init()
{
    QSettings(AppPaths::settings(), QSettings::IniFormat).clear();
    m_model = std::make_unique<TreeModel>();
    auto* root = new Node;
    root->columns = {QStringLiteral("Name"), QStringLiteral("Status"), QStringLiteral("Workplace"),
                     QStringLiteral("WorkplaceID")};
    m_model->setRootNode(root);
    // Column 1 holds the state class: 0 Inactive, 1 Ready, 2 Alarm, 3 Maintenance.
    addSystem(root, QStringLiteral("A"), QStringLiteral("WS1"), 0, {1, 2, 1, 3});
    Node* b = addSystem(root, QStringLiteral("B"), QStringLiteral("WS2"), 1, {2, 1});
    b->child(0)->enabled = false;
    addSystem(root, QStringLiteral("C"), QStringLiteral("WS2"), 0, {0, 1});
}

void TestTWSensorsStatesWidget::cleanup()
{
    m_model.reset();
}

void TestTWSensorsStatesWidget::cleanupTestCase()
{
    m_home.reset();
}

void TestTWSensorsStatesWidget::formAndFirstStart()
{
    TWSensorsStatesWidget widget(m_model.get());
    widget.show();
    QCOMPARE(widget.objectName(), QStringLiteral("TWSensorsStatesWidget"));
    QVERIFY(!button(widget, "btnShowTable")->isVisible());
    QVERIFY(!button(widget, "btnPrintPreview")->isVisible());
    QVERIFY(button(widget, "btnShowAllAlarms")->isVisible());
    QVERIFY(button(widget, "btnShowCurrentWorkSpaceAlarm")->isVisible());
    QVERIFY(button(widget, "btnShowAllAlarms")->isCheckable());
    QCOMPARE(tree(widget)->header()->sectionSize(0), TWSensorsStatesWidget::kNameWidth);
    QCOMPARE(tree(widget)->editTriggers(), QAbstractItemView::NoEditTriggers);
    // Everything enabled shows, expanded.
    QCOMPARE(shownRowNames(*tree(widget)->model()),
             (QStringList{"A", "A-S1", "A-S2", "A-S3", "A-S4", "B", "B-S2", "C", "C-S1", "C-S2"}));
    QVERIFY(tree(widget)->isExpanded(tree(widget)->model()->index(0, 0)));

    // Clicking never brings the hidden buttons back.
    QVERIFY(operatorClick(button(widget, "btnShowAllAlarms")));
    QVERIFY(!button(widget, "btnShowTable")->isVisible());
    QVERIFY(!button(widget, "btnPrintPreview")->isVisible());
}

void TestTWSensorsStatesWidget::notReadyFilter()
{
    TWSensorsStatesWidget widget(m_model.get());
    QVERIFY(operatorClick(button(widget, "btnShowAllAlarms")));
    // Ready rows go, a Ready system (B) with all its sensors.
    QCOMPARE(shownRowNames(*tree(widget)->model()), (QStringList{"A", "A-S2", "A-S4", "C", "C-S1"}));
    QVERIFY(operatorClick(button(widget, "btnShowAllAlarms")));
    QCOMPARE(shownRowNames(*tree(widget)->model()).size(), 10);
}

void TestTWSensorsStatesWidget::workspaceFilter()
{
    TWSensorsStatesWidget widget(m_model.get());
    widget.showWorkspace(QStringLiteral("WS2"));
    // Unchecked: the name is not applied.
    QCOMPARE(shownRowNames(*tree(widget)->model()).size(), 10);

    QVERIFY(operatorClick(button(widget, "btnShowCurrentWorkSpaceAlarm")));
    QCOMPARE(shownRowNames(*tree(widget)->model()), (QStringList{"B", "B-S2", "C", "C-S1", "C-S2"}));

    QVERIFY(operatorClick(button(widget, "btnShowAllAlarms")));
    QCOMPARE(shownRowNames(*tree(widget)->model()), (QStringList{"C", "C-S1"}));

    widget.showWorkspace(QStringLiteral("WS1"));
    QCOMPARE(shownRowNames(*tree(widget)->model()), (QStringList{"A", "A-S2", "A-S4"}));
}

void TestTWSensorsStatesWidget::refreshAfterUpdate()
{
    TWSensorsStatesWidget widget(m_model.get());
    QVERIFY(operatorClick(button(widget, "btnShowAllAlarms")));
    // The unit writes a sensor's class; the view follows once refreshed.
    m_model->rootNode()->child(0)->child(1)->setData(1, 1);
    m_model->rootNode()->child(0)->child(0)->setData(1, 2);
    widget.refresh();
    QCOMPARE(shownRowNames(*tree(widget)->model()), (QStringList{"A", "A-S1", "A-S4", "C", "C-S1"}));
}

void TestTWSensorsStatesWidget::headerStateSurvivesRestart()
{
    {
        TWSensorsStatesWidget widget(m_model.get());
        tree(widget)->header()->resizeSection(0, 140);
        tree(widget)->header()->resizeSection(1, 66);
    }
    QSettings settings(AppPaths::settings(), QSettings::IniFormat);
    QVERIFY(!settings.value(QLatin1String(TWSensorsStatesWidget::kHeaderStateKey)).toByteArray().isEmpty());
    TWSensorsStatesWidget widget(m_model.get());
    QCOMPARE(tree(widget)->header()->sectionSize(0), 140);
    QCOMPARE(tree(widget)->header()->sectionSize(1), 66);
}

QTEST_MAIN(TestTWSensorsStatesWidget)
#include "tst_twsensorsstateswidget.moc"
