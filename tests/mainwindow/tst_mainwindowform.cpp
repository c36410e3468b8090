#include "resources.h"
#include "ui_mainwindow.h"

#include <QtTest>

// The form on a bare window: what it enables, checks and binds, and where
// its menus and toolbars put things.
class TestMainWindowForm : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { initLumetraResources(); }
    void windowName();
    void initialStates();
    void menusAndToolbars();
    void toolbarToggles();
};

namespace {
QStringList names(const QList<QAction*>& actions, bool onlyIf(QAction*))
{
    QStringList result;
    for (QAction* action : actions) {
        if (onlyIf(action))
            result.append(action->objectName());
    }
    result.sort();
    return result;
}

QStringList entries(const QWidget* owner)
{
    QStringList result;
    for (QAction* action : owner->actions())
        result.append(action->isSeparator() ? QStringLiteral("-")
                      : action->menu()     ? action->menu()->objectName()
                                           : action->objectName());
    return result;
}
} // namespace

void TestMainWindowForm::windowName()
{
    QMainWindow named;
    named.setObjectName(QStringLiteral("X"));
    Ui::MainWindow form;
    form.setupUi(&named);
    QCOMPARE(named.objectName(), QStringLiteral("X"));
    QMainWindow unnamed;
    Ui::MainWindow other;
    other.setupUi(&unnamed);
    QCOMPARE(unnamed.objectName(), QStringLiteral("MainWindow"));
    QCOMPARE(other.tabWidget->count(), 1);
    QCOMPARE(other.tabWidget->tabText(0), QStringLiteral("Tab 1"));
    QCOMPARE(other.tabWidget->currentIndex(), 0);
}

void TestMainWindowForm::initialStates()
{
    QMainWindow window;
    Ui::MainWindow form;
    form.setupUi(&window);
    const QList<QAction*> actions = window.findChildren<QAction*>(QString(), Qt::FindDirectChildrenOnly);
    QStringList formActions;
    for (QAction* action : actions) {
        if (action->objectName().startsWith(QLatin1String("act")))
            formActions.append(action->objectName());
    }
    QCOMPARE(formActions.size(), 57);
    QCOMPARE(names(actions, [](QAction* a) { return !a->isEnabled(); }),
             QStringList({"actAlignCenter", "actAlignLeft", "actAlignRight", "actBackgroundColor", "actBold",
                          "actBorderColor", "actFontColor", "actItalic", "actPaste", "actSave", "actUnderline"}));
    QCOMPARE(names(actions, [](QAction* a) { return a->isChecked(); }),
             QStringList({"actionAlarm_toolbar", "actionEdit_toolbar", "actionFile_toolbar", "actionStatusbar",
                          "actionText_toolbar", "actionZoom_toolbar"}));
    QCOMPARE(names(actions, [](QAction* a) { return !a->shortcut().isEmpty(); }),
             QStringList({"actCopy", "actCut", "actPaste"}));
    QCOMPARE(form.actCopy->shortcut(), QKeySequence(QStringLiteral("Ctrl+C")));
    QCOMPARE(form.actCut->shortcut(), QKeySequence(QStringLiteral("Ctrl+X")));
    QCOMPARE(form.actPaste->shortcut(), QKeySequence(QStringLiteral("Ctrl+V")));
    QCOMPARE(form.actionCoffee->text(), QStringLiteral("Coffe"));
    QCOMPARE(form.actDeleteWorkplace->text(), QStringLiteral("Delete"));
    QCOMPARE(form.actDeleteWorkplace->toolTip(), QStringLiteral("Delete workspace"));
    // Every icon the form names is compiled in.
    for (QAction* action : actions)
        QVERIFY2(action->icon().isNull() || !action->icon().pixmap(16).isNull(), qPrintable(action->objectName()));
}

void TestMainWindowForm::menusAndToolbars()
{
    QMainWindow window;
    Ui::MainWindow form;
    form.setupUi(&window);
    QCOMPARE(entries(form.menuBar),
             QStringList({"menuFile", "menuWorkplace", "menuEdit", "menuAlarms", "menuView", "menuService", "menuHelp"}));
    QCOMPARE(entries(form.menuFile),
             QStringList({"actNew", "actOpen", "actSave", "actSaveAs", "-", "actPrintPreview", "-", "actExit"}));
    QCOMPARE(entries(form.menuView), QStringList({"menuToolbars", "menuDockableWindows", "actionStatusbar", "-",
                                                  "actFullScreen", "-", "menuApplication_look"}));
    QCOMPARE(entries(form.mapEditToolBar),
             QStringList({"actNewBlankWorkspace", "actDeleteWorkplace", "actWorkspaceSetup", "-", "actSelectObject",
                          "actDrawLine", "actDrawText", "actDrawButton", "actAddOsprelVellWizard", "actAddTWsector",
                          "actDelete"}));
    QVERIFY(window.toolBarBreak(form.zoomToolBar));
    QVERIFY(!window.toolBarBreak(form.mapEditToolBar));
    const std::pair<QDockWidget*, Qt::DockWidgetArea> areas[] = {
        {form.dockAlarmHistory, Qt::LeftDockWidgetArea},  {form.dockAllList, Qt::RightDockWidgetArea},
        {form.dockProperties, Qt::RightDockWidgetArea},   {form.dockAlarmStates, Qt::BottomDockWidgetArea},
        {form.dockLogs, Qt::BottomDockWidgetArea},        {form.dockSensorsState, Qt::BottomDockWidgetArea}};
    for (const auto& [dock, area] : areas)
        QCOMPARE(window.dockWidgetArea(dock), area);
}

void TestMainWindowForm::toolbarToggles()
{
    QMainWindow window;
    Ui::MainWindow form;
    form.setupUi(&window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(form.fontToolBar->windowTitle(), QStringLiteral("Font toolbar"));
    form.actionText_toolbar->trigger();
    QVERIFY(form.fontToolBar->isHidden());
    form.actionText_toolbar->trigger();
    QVERIFY(!form.fontToolBar->isHidden());
    form.actionStatusbar->trigger();
    QVERIFY(form.statusBar->isHidden());
}

QTEST_MAIN(TestMainWindowForm)
#include "tst_mainwindowform.moc"
