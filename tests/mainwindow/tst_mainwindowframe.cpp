#include "alarmcondition.h"
#include "alarmsarea.h"
#include "dialoglaunchers.h"
#include "globals.h"
#include "graphicsline.h"
#include "graphicsscene.h"
#include "formchild.h"
#include "gatewaysetuphost.h"
#include "scopedhook.h"
#include "sitetrees.h"
#include "applicationlook.h"
#include "mainwindow.h"
#include "logsarea.h"
#include "projectfiles.h"
#include "propertypanel.h"
#include "propertyset.h"
#include "treepropertybrowser.h"
#include "zoomtools.h"
#include "mapedittools.h"
#include "projectdocument.h"
#include "controlunit.h"
#include "settingsfile.h"
#include "windowsettings.h"
#include "windowstatecheck.h"
#include "urlopener.h"
#include "modalanswerer.h"
#include "nightlycleanup.h"
#include "noonclock.h"
#include "operatorclick.h"
#include "messageboxanswerer.h"
#include "soundpath.h"
#include "soundplayer.h"
#include "statusfield.h"
#include "commandrouter.h"
#include "devicestates.h"
#include "node.h"
#include "resources.h"
#include "sqlrows.h"
#include "testhome.h"
#include "qtclienttw.h"
#include "timerunit.h"
#include "workspacearea.h"
#include "useractionlogdlg.h"
#include "writebatch.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGraphicsView>
#include <QLabel>
#include <QDockWidget>
#include <QMessageBox>
#include <QSettings>
#include <QSqlQuery>
#include <QStatusBar>
#include <QStyle>
#include <QToolButton>
#include <QToolTip>
#include <QUndoCommand>
#include <QUndoStack>
#include <QMenu>
#include <QToolBar>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest>

#include <memory>

namespace {
// Dialogs answer at once with a preset result; nothing is shown.
struct PresetLaunchers : DialogLaunchers
{
    using DialogLaunchers::DialogLaunchers;
    int gatewaySetup(GatewaySetupHost* host) override { gatewayHost = host; return result; }
    int twSensorsSetup(int, qtClientTW* client) override { twClient = client; return result; }
    GatewaySetupHost* gatewayHost = nullptr;
    qtClientTW* twClient = nullptr;
    int userAdministration() override { return result; }
    // OK on the settings dialog, which writes its keys.
    int settings(GraphicsScene*) override { return SettingsFile::setValues(written) ? QDialog::Accepted : 0; }
    QVariantMap written;
    int relayTimers(QList<TimerData>& timers) override
    {
        if (result == QDialog::Accepted)
            timers = edited;
        return result;
    }
    int result = QDialog::Rejected;
    QList<TimerData> edited;
};

QStringList settingsLines(const TestHome& home)
{
    QFile file(home.filePath(QStringLiteral("setting.ini")));
    file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}
} // namespace

class TestMainWindowFrame : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void bareStart();
    void rights_data();
    void rights();
    void rightsGivenBackStay();
    void storedScale_data();
    void storedScale();
    void zoomStepAtTheEnds();
    void dockToggleRaisesItsTab();
    void looks();
    void recentFiles();
    void alarmConditionsFromDefaults();
    void closingOnceAndTeardown();
    void settingsDialogTakesEffectAndLasts();
    void launchers();
    void twSectorActionAndEscape();
    void badFiles();
    void storedWindowState_data();
    void storedWindowState();
    void undoFollowsTheCurrentWorkspace();
    void longStatusTextsKeepTheWindow();
    void notesStandWhole();

private:
    void writeSettings(const QString& text);
    std::unique_ptr<MainWindow> makeWindow();
    std::unique_ptr<TestHome> m_home;
    // The window's tick cleans the logs in the first minute after midnight,
    // which would add rows the tests count: the logs' day stands at noon.
    const ScopedHook m_noon{&NightlyCleanup::setDefaultClock, &noonOfTheRun};
};

void TestMainWindowFrame::initTestCase()
{
    initLumetraResources();
    m_home = std::make_unique<TestHome>();
    QVERIFY(m_home->isValid());
    QVERIFY(m_home->openDatabase());
    QSqlQuery query;
    // Role 5 holds nothing, role 6 has no rights row, role 7 holds everything as 2.
    QVERIFY(query.exec("insert into rights values (4, 5, 'None', 0,0,0,0,0,0,0,0,0)"));
    QVERIFY(query.exec("insert into rights values (5, 7, 'Twos', 2,2,2,2,2,2,2,2,2)"));
    for (int role : {5, 6, 7})
        QVERIFY(query.exec(QStringLiteral("insert into users (user, password, active, role_text, role_id) "
                                          "values ('role%1', '', 1, 'x', %1)").arg(role)));
}

void TestMainWindowFrame::init()
{
    g_currentUser = QStringLiteral("admin");
    QFile::remove(m_home->filePath(QStringLiteral("DefaultParams.xml")));
    QVERIFY(QFile::copy(QStringLiteral(LUMETRA_SOURCE_DIR "/resources/runtime/DefaultParams.xml"),
                        m_home->filePath(QStringLiteral("DefaultParams.xml"))));
    writeSettings(QStringLiteral("[General]\nLoadLastFile=false\nSoundAlarmActive=false\n"));
    // The rows an earlier window left with the writer (its check-point)
    // land before the logs are emptied, not after.
    QVERIFY(WriteBatch::instance().commit());
    QSqlQuery query;
    QVERIFY(query.exec("delete from logUserAction"));
    QVERIFY(query.exec("delete from logVoltage"));
}

void TestMainWindowFrame::writeSettings(const QString& text)
{
    QFile file(m_home->filePath(QStringLiteral("setting.ini")));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text.toUtf8());
}

std::unique_ptr<MainWindow> TestMainWindowFrame::makeWindow()
{
    auto window = std::make_unique<MainWindow>();
    window->setDialogLaunchers(std::make_unique<PresetLaunchers>(window.get()));
    return window;
}

void TestMainWindowFrame::bareStart()
{
    QFile::remove(m_home->filePath(QStringLiteral("setting.ini")));
    QFile::remove(m_home->filePath(QStringLiteral("DefaultParams.xml")));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("DefaultParams.xml could not be opened")));
    auto window = makeWindow();
    QCOMPARE(window->currentFileName(), QString());
    QCOMPARE(window->workspaces()->tabs()->count(), 1);
    QCOMPARE(window->workspaces()->tabs()->tabText(0), QStringLiteral("Untitled 1"));
    QCOMPARE(window->zoom()->zoomCombo()->currentIndex(), 2);
    QCOMPARE(window->mapEditTools()->lineWidthCombo()->currentText(), QStringLiteral("2"));
    QVERIFY(formChild(window.get(), "actSelectObject")->isChecked());
    QVERIFY(!window->project()->isModified() && !formChild(window.get(), "actNew")->isEnabled() && !formChild<QToolBar>(window.get(), "fontToolBar")->isEnabled());
    const QList<Node*>& sounds = window->alarms()->soundAlarmNodes();
    QCOMPARE(sounds.size(), 2);
    QCOMPARE(sounds.at(0)->data(0).toString(), QStringLiteral("Sound alarm1"));
    QCOMPARE(sounds.at(1)->data(1).value<SoundPath>().criticalSound, QStringLiteral("./AlarmSounds/Critical/Alarm1.wav"));
    QVERIFY(sounds.at(0)->data(2).toString().startsWith(QLatin1Char('{')));
    QVERIFY(sounds.at(0)->data(2) != sounds.at(1)->data(2));
    QVERIFY(alarmConditions().isEmpty());
    QVERIFY(!window->findChild<QLabel*>(QStringLiteral("gatewayStatusLabel"))->text().contains(QStringLiteral("closed")));
    QVERIFY(!window->findChild<QDockWidget*>(QStringLiteral("dockAlarmHistory")));
    QList<int> dockNumbers;
    for (QAction* toggle : formChild<QMenu>(window.get(), "menuDockableWindows")->actions())
        dockNumbers.append(toggle->data().toInt());
    QCOMPARE(dockNumbers, QList<int>({3, 2, 5, 1, 4}));
    QVERIFY(window->units()->controlUnitThread()->isRunning() && window->units()->twSensorsThread()->isRunning()
            && window->units()->timerUnitThread()->isRunning());
    QCOMPARE(window->units()->timerUnitThread()->objectName(), QStringLiteral("TimerUnitThread"));
    QCOMPARE(window->units()->twClient()->thread(), window->thread());
    QCOMPARE(sqlRows("select info from logUserAction"), QStringList{"Application start"});
    QCOMPARE(window->tabifiedDockWidgets(formChild<QDockWidget>(window.get(), "dockLogs")).size(), 2);
}

void TestMainWindowFrame::rights_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<bool>("held");
    QTest::newRow("all rights") << "admin" << true;
    QTest::newRow("rights row of zeros") << "role5" << false;
    QTest::newRow("no rights row") << "role6" << false;
    QTest::newRow("rights of value 2") << "role7" << false;
}

void TestMainWindowFrame::rights()
{
    QFETCH(QString, user);
    QFETCH(bool, held);
    g_currentUser = user;
    auto window = makeWindow();
    // A workspace showing everything does not bring back what the rights hide.
    window->applyWorkplaceMode(0);
    QAction* save = formChild(window.get(), "actSave");
    for (QAction* action : {formChild(window.get(), "actDesignMode"), formChild(window.get(), "actActionManager"), formChild(window.get(), "actSetting"), formChild(window.get(), "actSaveAs"),
                            save, formChild(window.get(), "actUserAdministration"), formChild(window.get(), "actOsprelVellSetup"), formChild(window.get(), "actTimers"), formChild(window.get(), "actTWSensorsSetup")})
        QVERIFY2(action->isVisible() == held, qPrintable(action->objectName()));
    QCOMPARE(!window->logs()->userActionLogDlg->clearButton->isHidden(), held);
    for (QMenu* menu : {formChild<QMenu>(window.get(), "menuEdit"), formChild<QMenu>(window.get(), "menuView"), formChild<QMenu>(window.get(), "menuVoltageDiagrams")})
        QVERIFY2(menu->isEnabled() == held, qPrintable(menu->objectName()));
    // Delete on the map, with nothing to delete, leaves nothing to save; a
    // change any role may make (a fence line's StateEnable) lights Save for all.
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    window->workspaces()->currentScene()->views().first()->setFocus();
    QTest::keyClick(window->windowHandle(), Qt::Key_Delete);
    auto* fence = new GraphicsLine;
    window->workspaces()->currentScene()->insertItem(fence);
    PropertySet* panel = window->propertyPanel()->dockedSet();
    window->propertyPanel()->fillPropertyBrowser(panel, fence, nullptr);
    QVERIFY(!window->project()->isModified());
    panel->browser->editItem(panel->browser->items(panel->propertyNames.key("StateEnable")).first());
    auto* enable = panel->browser->findChild<QCheckBox*>();
    QVERIFY(operatorClick(enable, QPoint(8, enable->height() / 2)));
    QVERIFY(window->project()->isModified() && save->isVisible() && save->isEnabled());
    window->project()->setModified(false);
    QCOMPARE(save->isVisible(), held);
}

// Rights changed in the user administration hold until the next change,
// through tab switches and full screen.
void TestMainWindowFrame::rightsGivenBackStay()
{
    g_currentUser = QStringLiteral("role5");
    auto window = makeWindow();
    QSqlQuery query("update rights set vell_setup = 1 where role_id = 5");
    window->showUserAdmin();
    window->workspaces()->addWorkspace(QString());
    window->fullScreenMode(true);
    window->fullScreenMode(false);
    QVERIFY(formChild(window.get(), "actOsprelVellSetup")->isVisible());
    QVERIFY(query.exec("update rights set vell_setup = 0 where role_id = 5"));
}

void TestMainWindowFrame::storedScale_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("zoom");
    QTest::addColumn<int>("written");
    QTest::newRow("first") << 0 << "50%" << 0;
    QTest::newRow("last") << 6 << "200%" << 6;
    QTest::newRow("unknown negative") << -3 << "100%" << 2;
    QTest::newRow("beyond the list") << 9 << "100%" << 2;
    QTest::newRow("to height") << -1 << "100%" << -1;
    QTest::newRow("to width") << -2 << "100%" << -2;
}

void TestMainWindowFrame::storedScale()
{
    QFETCH(int, stored);
    QFETCH(QString, zoom);
    QFETCH(int, written);
    writeSettings(QStringLiteral("[General]\nLoadLastFile=false\nScale=%1\n").arg(stored));
    auto window = makeWindow();
    QCOMPARE(window->zoom()->zoomCombo()->currentText(), zoom);
    QCOMPARE(QSettings(m_home->filePath("setting.ini"), QSettings::IniFormat).value("Scale").toInt(), written);
    QVERIFY(!window->workspaces()->currentView()->transform().isScaling() || zoom != QLatin1String("100%")
            || stored < 0);
}

// At either end of the list a step stores the level in front over a fit.
void TestMainWindowFrame::zoomStepAtTheEnds()
{
    auto window = makeWindow();
    for (int end : {6, 0}) {
        window->zoom()->zoomCombo()->setCurrentIndex(end);
        formChild(window.get(), "actScaleToHeight")->trigger();
        formChild(window.get(), end ? "actZoomIn" : "actZoomOut")->trigger();
        QCOMPARE(QSettings(m_home->filePath("setting.ini"), QSettings::IniFormat).value("Scale").toInt(), end);
    }
}

// Shown again from its toggle, a dock is the tab in front of its group.
void TestMainWindowFrame::dockToggleRaisesItsTab()
{
    auto window = makeWindow();
    const QList<QTabBar*> bars = window->findChildren<QTabBar*>();
    QTabBar* group = *std::find_if(bars.begin(), bars.end(), [](QTabBar* bar) { return bar->count() == 3; });
    for (const char* name : {"dockLogs", "dockAlarmStates"}) {
        auto* dock = formChild<QDockWidget>(window.get(), name);
        group->setCurrentIndex(group->tabText(0) == dock->windowTitle() ? 1 : 0);
        dock->toggleViewAction()->trigger();
        dock->toggleViewAction()->trigger();
        QTRY_COMPARE(group->tabText(group->currentIndex()), dock->windowTitle());
    }
}

void TestMainWindowFrame::looks()
{
    writeSettings(QStringLiteral("[General]\nLoadLastFile=false\nPalette=Dark\n"));
    auto window = makeWindow();
    QCOMPARE(QApplication::palette().color(QPalette::Window), QColor(22, 57, 85));
    QVERIFY(qApp->styleSheet().contains(QStringLiteral("background-color: #2a82da")));
    formChild(window.get(), "actionCoffee")->trigger();
    QCOMPARE(QApplication::palette().color(QPalette::Base), QColor(255, 255, 224));
    QVERIFY(qApp->styleSheet().isEmpty());
    QCOMPARE(QApplication::style()->metaObject()->className(), "QFusionStyle");
    formChild(window.get(), "actionDefault")->trigger();
    QCOMPARE(QApplication::palette(), window->findChild<ApplicationLook*>()->defaultPalette());
    QVERIFY(formChild(window.get(), "actionDefault")->isChecked() && !formChild(window.get(), "actionCoffee")->isChecked());
    QVERIFY(settingsLines(*m_home).contains(QStringLiteral("Palette=Default")));
    window.reset();
    writeSettings(QStringLiteral("[General]\nLoadLastFile=false\nPalette=Purple\n"));
    window = makeWindow();
    for (QAction* look : formChild<QMenu>(window.get(), "menuApplication_look")->actions())
        QVERIFY(!look->isChecked());
}

void TestMainWindowFrame::recentFiles()
{
    writeSettings(QStringLiteral("[General]\nLoadLastFile=false\n"
                                 "recentFileList=/p/a.xml, /p/b.xml, /p/c.xml, /p/d.xml, /p/e.xml, /p/f.xml, /p/g.xml\n"));
    auto window = makeWindow();
    QCOMPARE(window->projectFiles()->recentFileAction(0)->text(), QStringLiteral("&1 a.xml"));
    QCOMPARE(window->projectFiles()->recentFileAction(4)->text(), QStringLiteral("&5 e.xml"));
    QCOMPARE(window->projectFiles()->recentFileAction(4)->data().toString(), QStringLiteral("/p/e.xml"));
    window->projectFiles()->addRecentFile(QStringLiteral("/p/c.xml"));
    const QStringList files = QSettings(m_home->filePath("setting.ini"), QSettings::IniFormat)
                                  .value("recentFileList").toStringList();
    QCOMPARE(files, QStringList({"/p/c.xml", "/p/a.xml", "/p/b.xml", "/p/d.xml", "/p/e.xml"}));
    window.reset();
    writeSettings(QStringLiteral("[General]\nLoadLastFile=true\n"));
    window = makeWindow();
    for (int i = 0; i < ProjectFiles::RecentFileCount; ++i)
        QVERIFY(!window->projectFiles()->recentFileAction(i)->isVisible());
    QVERIFY(!window->projectFiles()->recentFilesSeparator()->isVisible());
    QCOMPARE(window->workspaces()->tabs()->count(), 1);
}

void TestMainWindowFrame::alarmConditionsFromDefaults()
{
    QFile defaults(m_home->filePath(QStringLiteral("DefaultParams.xml")));
    QVERIFY(defaults.open(QIODevice::WriteOnly | QIODevice::Truncate));
    defaults.write(R"xml(<Defaults><!-- --><AssignedAlarmCondition param="22" name="FenceAlarm1" status="2" active="2" color="rgba(255,0,0,255)"/>
<AssignedSensorCondition param="2" status="2" active="1"/><AssignedAlarmCondition param="1" status="1"/>
<AssignedAlarmCondition param="3" status="3" active="1"/><AssignedSensorCondition param="3" active="0"/></Defaults>)xml");
    defaults.close();
    auto window = makeWindow();
    const AlarmConditionList conditions = alarmConditions();
    QCOMPARE(conditions.size(), 5);
    QList<int> parts, params;
    for (const AlarmCondition& c : conditions) {
        parts.append(c.AlarmPart);
        params.append(c.EnergParam);
    }
    QCOMPARE(parts, QList<int>({0, 0, 0, 1, 1}));
    QCOMPARE(params, QList<int>({22, 1, 3, 2, 3}));
    QVERIFY(conditions.at(0).Active && !conditions.at(1).Active);
    const QStringList lines = settingsLines(*m_home);
    QVERIFY(lines.contains(QStringLiteral("alarmCondition\\size=3")));
    QVERIFY(lines.contains(QStringLiteral("alarmSensorCondition\\size=2")));
    QVERIFY(lines.contains(QStringLiteral("alarmCondition\\1\\AlarmColor=\"rgba(255,0,0,255)\"")));

    // An array of sensor entries only yields no energizer conditions and
    // does not send the reader to the defaults file.
    window.reset();
    QFile::remove(defaults.fileName());
    writeSettings(QStringLiteral("[General]\nLoadLastFile=false\n[alarmCondition]\nalarmCondition\\size=1\n"
                                 "alarmCondition\\1\\AlarmPart=1\nalarmCondition\\1\\AlarmColor=rgba(1,2,3,255)\n"
                                 "[alarmSensorCondition]\nalarmSensorCondition\\size=1\n"
                                 "alarmSensorCondition\\1\\AlarmPart=1\n"
                                 "alarmSensorCondition\\1\\AlarmColor=rgba(1,2,3,255)\n"));
    window = makeWindow();
    QCOMPARE(alarmConditions().size(), 1);
    QCOMPARE(alarmConditions().at(0).AlarmColor, QColor(1, 2, 3));
}

void TestMainWindowFrame::closingOnceAndTeardown()
{
    auto window = makeWindow();
    QPointer<QThread> threads[] = {window->units()->timerUnitThread(), window->units()->controlUnitThread(), window->units()->twSensorsThread()};
    const QString firstId = window->alarms()->soundAlarmNodes().at(0)->data(2).toString();
    formChild(window.get(), "actExit")->trigger();
    window->close();
    QCOMPARE(sqlRows("select count(*) from logUserAction where info='Application closed'"), QStringList{"1"});
    const QStringList lines = settingsLines(*m_home);
    for (const char* line : {"LineWidth=2", "sounds\\size=2"})
        QVERIFY2(lines.contains(QLatin1String(line)), line);
    // The text-alarm look is the settings dialog's unless edited in a panel.
    QVERIFY(lines.filter(QStringLiteral("TextAlarm")).isEmpty());
    QVERIFY(lines.filter(QStringLiteral("geometry=")).size() == 1);
    window.reset();
    QCOMPARE(sqlRows("select count(*) from logVoltage where energizer_no=0"), QStringList{"1"});
    for (const QPointer<QThread>& thread : threads)
        QVERIFY(!thread);

    // Closed by the title bar: the same steps, once; the same sound alarms come back.
    window = makeWindow();
    QCOMPARE(window->alarms()->soundAlarmNodes().at(0)->data(2).toString(), firstId);
    window->project()->setModified(true);
    answerNextModal([](QWidget* box) { QVERIFY(operatorClick(static_cast<QMessageBox*>(box)->button(QMessageBox::No))); });
    window->close();
    window->close();
    QCOMPARE(sqlRows("select count(*) from logUserAction where info='Application closed'"), QStringList{"2"});
}

// What the settings dialog writes is in force at once and outlives the
// window; a look edited in a panel afterwards is saved on closing.
void TestMainWindowFrame::settingsDialogTakesEffectAndLasts()
{
    auto window = makeWindow();
    static_cast<PresetLaunchers*>(window->dialogLaunchers())->written = {
        {"TextAlarmMode", 0}, {"AlarmCaption", "INTRUDER"}, {"TextAlarmBGColorMode", "rgba(0,255,255,255)"},
        {"ReverseLogic", true}};
    window->showSettingDlg();
    QCOMPARE(window->alarms()->textAlarmBackground(), QColor(Qt::cyan));
    QVERIFY(window->alarms()->alarmCaption() == "INTRUDER" && window->units()->controlUnit()->reverseLogic);
    window->alarms()->setAlarmCaption(QStringLiteral("BREACH"));
    window->close();
    const QStringList lines = settingsLines(*m_home);
    QVERIFY(lines.contains(QStringLiteral("AlarmCaption=BREACH")) && lines.contains(QStringLiteral("TextAlarmMode=0")));
}

void TestMainWindowFrame::launchers()
{
    auto window = makeWindow();
    auto launchers = std::make_unique<PresetLaunchers>(window.get());
    PresetLaunchers* preset = launchers.get();
    window->setDialogLaunchers(std::move(launchers));
    for (QAction* action : {formChild(window.get(), "actOsprelVellSetup"), formChild(window.get(), "actTWSensorsSetup")}) {
        window->project()->setModified(false);
        emit action->triggered();
        QVERIFY(window->project()->isModified());
    }
    // The set-ups talk to the window's links; what they report reaches the window.
    QVERIFY(preset->gatewayHost && preset->gatewayHost->gatewayClient() == window->units()->fenceClient());
    QVERIFY(preset->twClient && preset->twClient == window->units()->twClient());
    QSignalSpy rebuilt(window->trees(), &SiteTrees::energizerModelRebuilt);
    preset->gatewayHost->rebuildEnergizerModel();
    QSignalSpy actions(window.get(), &MainWindow::writeUserActionLog);
    emit preset->userAction(QStringLiteral("Users"), QStringLiteral("renamed"));
    QVERIFY(rebuilt.size() == 1 && actions.size() == 1);
    window->project()->setModified(false);
    const QList<TimerData> before = window->units()->timerUnit()->timers();
    emit formChild(window.get(), "actTimers")->triggered();
    QCOMPARE(window->units()->timerUnit()->timers().size(), before.size());
    QVERIFY(!window->project()->isModified());
    preset->result = QDialog::Accepted;
    emit formChild(window.get(), "actTimers")->triggered();
    QVERIFY(window->units()->timerUnit()->timers().isEmpty() && window->project()->isModified());

    // The readme opens; a missing file or one nothing opens is told to the operator.
    QUrl opened;
    bool opens = true;
    const ScopedHook urlOpener(&UrlOpener::setHook, [&](const QUrl& url) { opened = url; return opens; });
    QFile readme(m_home->filePath(MainWindow::ReadmeFile));
    QVERIFY(readme.open(QIODevice::WriteOnly));
    readme.close();
    MessageBoxAnswerer boxes;
    emit formChild(window.get(), "actLumetraReadme")->triggered(false);
    QCOMPARE(opened, QUrl::fromLocalFile(readme.fileName()));
    opens = false;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("No program could open the readme")));
    emit formChild(window.get(), "actLumetraReadme")->triggered(false);
    readme.remove();
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("readme .* is missing")));
    emit formChild(window.get(), "actLumetraReadme")->triggered(false);
    QCOMPARE(boxes.seen().size(), 2);
}

void TestMainWindowFrame::twSectorActionAndEscape()
{
    auto window = makeWindow();
    auto* system = new Node(QStringLiteral("TW"), window->workspaces()->currentScene()->workplaceNode());
    system->type = Node::TWSystem;
    system->enabled = false;
    answerNextModal([](QWidget* box) { static_cast<QMessageBox*>(box)->accept(); });
    formChild(window.get(), "actDesignMode")->trigger();
    QVERIFY(formChild(window.get(), "actDesignMode")->isChecked() && !formChild(window.get(), "actAddTWsector")->isEnabled());
    system->enabled = true;
    window->updateTWSectorAction();
    QVERIFY(formChild(window.get(), "actAddTWsector")->isEnabled());
    formChild(window.get(), "actDesignMode")->trigger();
    QVERIFY(!formChild(window.get(), "actAddTWsector")->isEnabled());
    QCOMPARE(sqlRows("select info from logUserAction where info like 'Design%' order by id"),
             QStringList({"Design mode set to true", "Design mode set to false"}));

    formChild(window.get(), "actFullScreen")->trigger();
    QVERIFY(formChild<QToolBar>(window.get(), "fileToolBar")->isHidden());
    QVERIFY(operatorKey(window.get(), Qt::Key_Escape));
    QVERIFY(!formChild(window.get(), "actFullScreen")->isChecked() && !formChild<QToolBar>(window.get(), "fileToolBar")->isHidden());
}

void TestMainWindowFrame::badFiles()
{
    // Values of the wrong type or range, and arrays larger than the program
    // holds, take their defaults; a hand-written colour without quotes still counts.
    writeSettings(QStringLiteral("[General]\nLoadLastFile=false\nScale=99\nTextAlarmBGColorMode=rgba(1,2,3,255)\n"
                                 "LineWidth=abc\nTextAlarmMode=7\nPalette=Foo\n[sounds]\nsounds\\size=30000000\n[alarmCondition]\n"
                                 "alarmCondition\\size=30000000\n[alarmSensorCondition]\nalarmSensorCondition\\size=1\n"
                                 "alarmSensorCondition\\1\\AlarmPart=1\nalarmSensorCondition\\1\\EnergParam=99\n"));
    for (const char* refused : {"sounds/size in .* is 30000000", "alarmCondition/size in .* is 30000000",
                                "Entry 1 of alarmSensorCondition .* is not a valid alarm condition",
                                "^Scale=99 in .*setting.ini refused", "^LineWidth=abc in", "^TextAlarmMode=7 in",
                                "^Palette=Foo in .* refused, not one of Default, Dark, Bronze, Coffee"})
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QLatin1String(refused)));
    QFile defaults(m_home->filePath(QStringLiteral("DefaultParams.xml")));
    QVERIFY(defaults.open(QIODevice::WriteOnly | QIODevice::Truncate));
    defaults.write("<Defaults><AssignedAlarmCondition param=\"1\"/><Assigned");
    defaults.close();
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("DefaultParams.xml is not well-formed")));
    auto window = makeWindow();
    QCOMPARE(window->zoom()->zoomCombo()->currentText(), QStringLiteral("100%"));
    QCOMPARE(window->mapEditTools()->lineWidthCombo()->currentText(), QStringLiteral("2"));
    QCOMPARE(window->alarms()->soundAlarmNodes().size(), 2);
    QCOMPARE(window->alarms()->textAlarmBackground(), QColor(1, 2, 3));
    QVERIFY(alarmConditions().isEmpty());
    window.reset();
    init();

    // A file that cannot be parsed whole: one warning naming it, and what it
    // still gives holds for the whole run, those read last included; the
    // file set aside, the new one keeps it, and the operator is told so.
    writeSettings(QStringLiteral("[General]\nLoadLastFile=false\nReverseLogic=true\nPalette=Dark\nScale=3\n[broken\n"));
    QStringList told;
    const ScopedHook notifier(&WindowSettings::setNotifier, [&told](const QString& text) { told << text; });
    const ScopedHook setAside(&SettingsFile::setSetAsideNotice, &WindowSettings::tellSetAside);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("setting.ini could not be read whole")));
    window = makeWindow();
    QCOMPARE(window->workspaces()->tabs()->count(), 1);
    QVERIFY(window->units()->controlUnit()->reverseLogic);
    QCOMPARE(window->zoom()->zoomCombo()->currentText(), QStringLiteral("125%"));
    QCOMPARE(QApplication::palette().color(QPalette::Window), QColor(22, 57, 85));
    QVERIFY(QFile::remove(m_home->filePath(QStringLiteral("setting.ini.unreadable"))));
    QVERIFY(told.size() == 1 && told[0].contains("used for this whole session") && told[0].contains("ReverseLogic, "));
    for (const char* kept : {"ReverseLogic=true", "Palette=Dark", "Scale=3"})
        QVERIFY2(settingsLines(*m_home).contains(QLatin1String(kept)), kept);
    window.reset();
    told.clear();

    // A file that cannot be written: the operator is told once, however
    // often the window writes; closing still closes.
    QFile::remove(m_home->filePath(QStringLiteral("setting.ini")));
    QVERIFY(QDir(m_home->path()).mkdir(QStringLiteral("setting.ini")));
    WindowSettings::reset();
    window = makeWindow();
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("Settings not saved, .*setting.ini left as it was")));
    formChild(window.get(), "actZoomIn")->trigger();
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("Settings not saved, .*setting.ini left as it was")));
    window->close();
    QVERIFY(!window->isVisible());
    QCOMPARE(told.size(), 1);
    window.reset();
    QVERIFY(QDir(m_home->path()).rmdir(QStringLiteral("setting.ini")));
}

void TestMainWindowFrame::storedWindowState_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QByteArray>("bytes"); // written at the offset; none: cut there
    QTest::newRow("as saved") << QString() << 0 << QByteArray();
    QTest::newRow("first dock area 0x10000000") << "windowState" << 13 << QByteArray("\x10\0\0\0", 4);
    QTest::newRow("five dock areas") << "windowState" << 9 << QByteArray("\0\0\0\x05", 4);
    QTest::newRow("state version 1") << "windowState" << 4 << QByteArray("\0\0\0\x01", 4);
    QTest::newRow("state cut short") << "windowState" << 40 << QByteArray();
    QTest::newRow("geometry cut short") << "geometry" << 40 << QByteArray();
    QTest::newRow("geometry 100000 wide") << "geometry" << 16 << QByteArray("\0\x01\x86\xa0", 4);
}

// A stored layout that does not fit the window is not restored (Qt would
// crash on some): the window starts with its defaults and the log says so.
void TestMainWindowFrame::storedWindowState()
{
    QFETCH(QString, key);
    QFETCH(int, offset);
    QFETCH(QByteArray, bytes);
    auto window = makeWindow();
    window->close();
    const WindowStateCheck check(*window);
    window.reset();
    QSettings file(m_home->filePath(QStringLiteral("setting.ini")), QSettings::IniFormat);
    QVERIFY(check.geometryFits(file.value("geometry").toByteArray()) && check.stateFits(file.value("windowState").toByteArray(), 0));
    if (!key.isEmpty()) {
        const QByteArray stored = file.value(key).toByteArray();
        file.setValue(key, bytes.isEmpty() ? stored.left(offset) : QByteArray(stored).replace(offset, bytes.size(), bytes));
        file.sync();
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("The stored %1 does not fit").arg(key)));
    }
    window = makeWindow();
    QVERIFY(window->findChild<QDockWidget*>(QStringLiteral("dockLogs")));
}

// Outside design mode the Edit menu greys what edits a map; in it Undo follows the workspace.
void TestMainWindowFrame::undoFollowsTheCurrentWorkspace()
{
    auto window = makeWindow();
    GraphicsScene* first = window->workspaces()->currentScene();
    first->undoStack()->push(new QUndoCommand(QStringLiteral("edit")));
    for (const char* name : {"actUndo", "actRedo", "actCut", "actPaste", "actDelete"})
        QVERIFY2(!formChild(window.get(), name)->isEnabled(), name);
    answerNextModal([](QWidget* box) { static_cast<QMessageBox*>(box)->accept(); });
    formChild(window.get(), "actDesignMode")->trigger();
    QVERIFY(formChild(window.get(), "actUndo")->isEnabled() && !formChild(window.get(), "actRedo")->isEnabled());
    window->workspaces()->addWorkspace(QString());
    QCOMPARE(window->workspaces()->tabs()->tabText(1), QStringLiteral("Untitled 2"));
    QVERIFY(!formChild(window.get(), "actUndo")->isEnabled());
    window->workspaces()->tabs()->setCurrentIndex(0);
    QVERIFY(formChild(window.get(), "actUndo")->isEnabled());
    formChild(window.get(), "actUndo")->trigger();
    QCOMPARE(first->undoStack()->index(), 0);
    QVERIFY(!formChild(window.get(), "actUndo")->isEnabled() && formChild(window.get(), "actRedo")->isEnabled());
}

// However long a status text, the window keeps its width and the fields
// stand side by side; the field's tool tip gives the text whole.
void TestMainWindowFrame::longStatusTextsKeepTheWindow()
{
    struct SilentOutput : SoundPlayer { using SoundPlayer::SoundPlayer; using SoundPlayer::cannotPlay; };
    auto window = makeWindow();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    const auto sideBySide = [&window] {  // no two shown fields lie over each other
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QRegion covered;
        for (QWidget* field : window->statusBar()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            if (field->isVisible() && covered.intersects(field->geometry()))
                return false;
            covered += field->isVisible() ? field->geometry() : QRect();
        }
        return true;
    };
    QVERIFY(sideBySide());
    const int width = window->width();
    auto* silent = new SilentOutput(window.get());
    window->alarms()->setSoundPlayer(std::unique_ptr<SoundPlayer>(silent));
    const QString tail = QStringLiteral(", and then some more").repeated(40);
    for (bool gateway : {true, false})
        window->deviceStates()->showRefusedAddress(gateway, tail);
    emit window->commands()->commandNote(tail);
    silent->cannotPlay(tail);
    QVERIFY(sideBySide());
    QCOMPARE(window->width(), width);
    for (const char* name : {"gatewayStatusLabel", "twStatusLabel", "commandNoteLabel", "soundStatusLabel"}) {
        auto* field = window->findChild<QLabel*>(QLatin1String(name));
        QTest::mouseMove(window->windowHandle(), field->mapTo(window.get(), field->rect().center()));
        QTRY_COMPARE(QToolTip::text(), field->text());
    }
    // A field as wide as it asks shows its text as a wider one does: whole.
    StatusField field(QStringLiteral("EnergConnection: Connection closed by server"));
    field.setFrameStyle(QFrame::Panel | QFrame::Sunken);
    field.resize(field.sizeHint());
    const QRect inside(QPoint(), field.size() - QSize(field.frameWidth(), 0));
    const QImage asked = field.grab().toImage().copy(inside);
    field.resize(field.sizeHint() + QSize(50, 0));
    QCOMPARE(field.grab().toImage().copy(inside), asked);
}

// A note (here of a TW sector a cut leaves) and the link fields stand whole where the bar has room; narrower,
// the note is shortened and tells its whole text in its tool tip; all is measured again as the window changes.
// After its time the note goes, and the link fields stand as before it came.
void TestMainWindowFrame::notesStandWhole()
{
    const QFont before = QApplication::font();
    const auto restore = qScopeGuard([&before] { QApplication::setFont(before); });
    QFont pixels = before;  // sized in pixels, as the program's
    pixels.setPixelSize(11);
    QApplication::setFont(pixels);
    auto window = makeWindow();
    window->resize(1280, 560);
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    window->deviceStates()->showLinkNote(false, QStringLiteral("TW system 127.0.0.8"));
    window->deviceStates()->twStatus(qtClient::ConnectionClosedByServer);
    auto* note = formChild<QLabel>(window.get(), "mapNoteLabel");
    auto* tw = formChild<QLabel>(window.get(), "twStatusLabel");
    auto* gateway = formChild<QLabel>(window.get(), "gatewayStatusLabel");
    const auto whole = [note, tw] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        return note->isVisible() && note->width() >= note->sizeHint().width() && tw->width() >= tw->sizeHint().width();
    };
    const auto fields = [gateway, tw] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        return QVariantList{gateway->geometry(), gateway->text(), tw->geometry(), tw->text()};
    };
    const QVariantList standing = fields();
    const QString text = QStringLiteral("Not cut: TW sector twsector1 moves only with its fence line");
    emit window->mapEditTools()->note(text);
    QVERIFY(whole());
    for (int width : {1024, 800}) {
        window->resize(width, 560);
        QTest::mouseMove(window->windowHandle(), QPoint());  // the pointer comes onto the note from elsewhere
        QTest::mouseMove(window->windowHandle(), note->mapTo(window.get(), note->rect().center()));
        QTRY_COMPARE(QToolTip::text(), text);
    }
    window->resize(1280, 560);
    QVERIFY(whole());
    const ScopedHook noteTime(&MainWindow::setMapNoteTime, 50, -1);
    emit window->mapEditTools()->note(text);
    QTRY_VERIFY(!note->isVisible() && note->text().isEmpty());
    QCOMPARE(fields(), standing);
}

QTEST_MAIN(TestMainWindowFrame)
#include "tst_mainwindowframe.moc"
