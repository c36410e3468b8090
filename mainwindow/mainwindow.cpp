#include "mainwindow.h"
#include "mainwindowlogging.h"
#include "ui_mainwindow.h"

#include "alarmconditionsettings.h"
#include "applicationlook.h"
#include "alarmlogfeed.h"
#include "alarmlogwidget.h"
#include "alarmsarea.h"
#include "alarmstateswidget.h"
#include "apppaths.h"
#include "commandrouter.h"
#include "commondlg.h"
#include "controlunit.h"
#include "devicestates.h"
#include "elementtreearea.h"
#include "deviceunits.h"
#include "dialoglaunchers.h"
#include "elementtreeproxymodel.h"
#include "gatewaylink.h"
#include "twlink.h"
#include "gatewaysetupbridge.h"
#include "globals.h"
#include "graphicsbox.h"
#include "graphicsline.h"
#include "graphicsscene.h"
#include "handlemailbox.h"
#include "logsarea.h"
#include "mapedittools.h"
#include "mapprint.h"
#include "mainwindowmaphost.h"
#include "node.h"
#include "paneledits.h"
#include "projectdocument.h"
#include "projectfiles.h"
#include "propertypanel.h"
#include "propertyset.h"
#include "qtclienttw.h"
#include "settingsfile.h"
#include "windowsettings.h"
#include "windowstatecheck.h"
#include "sitetrees.h"
#include "statusfield.h"
#include "sitemutex.h"
#include "timerunit.h"
#include "treemodel.h"
#include "twcontrolunit.h"
#include "twsensorsstateswidget.h"
#include "useractionlogdlg.h"
#include "urlopener.h"
#include "userright.h"
#include "voltagediagrammsdlg.h"
#include "workspaceactions.h"
#include "workspacearea.h"
#include "zoomtools.h"

#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QToolButton>
#include <QCloseEvent>
#include <QDir>
#include <QDockWidget>
#include <QFileInfo>
#include <QGraphicsItem>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>
#include <QUndoGroup>
#include <QUndoStack>

namespace {
QString boolText(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

// A raise of the dock that is already top-most among the window's children
// changes nothing, and so leaves another tab of its group in front (the
// operator may have chosen one since): it is lowered first.
void raiseDock(QDockWidget* dock)
{
    dock->lower();
    dock->raise();
}

int& mapNoteMs()
{
    static int ms = MainWindow::MapNoteMs;
    return ms;
}

} // namespace

void MainWindow::setMapNoteTime(int ms)
{
    mapNoteMs() = ms < 0 ? MapNoteMs : ms;
}

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent)
    , ui(std::make_unique<Ui::MainWindow>())
{
    ui->setupUi(this);
    // The units are made and started last, once the window stands; areas
    // that talk to them hold this from the start.
    m_units = std::make_unique<DeviceUnits>(this);
    m_project = std::make_unique<ProjectDocument>();
    connect(m_project.get(), &ProjectDocument::modifiedChanged, this, &MainWindow::showSaveAction);
    showSaveAction();
    m_alarms = std::make_unique<AlarmsArea>(this);
    m_launchers = std::make_unique<DialogLaunchers>(this);
    connectDialogLaunchers();
    installElementPicker();
    m_gatewaySetup = std::make_unique<GatewaySetupBridge>(m_units.get());
    connect(m_gatewaySetup.get(), &GatewaySetupBridge::energizerModelRebuildRequested, this,
            [this] { m_trees->rebuildEnergizerModel(*m_workspaces); });
    connect(m_gatewaySetup.get(), &GatewaySetupBridge::enablingChanged, this, [this] {
        m_elementTree->proxy()->invalidate();
        m_alarmStatesWidget->refresh();
    });
    connect(m_gatewaySetup.get(), &GatewaySetupBridge::gatewayBoxShownAnew, this,
            [this](GraphicsBox* box) { m_propertyPanel->refillFor(box); });
    m_mapHost = std::make_unique<MainWindowMapHost>(this);
    connect(m_mapHost.get(), &MainWindowMapHost::projectModified, m_project.get(),
            [this] { m_project->setModified(true); });
    m_look = new ApplicationLook(ui->menuApplication_look, ui->actionDefault, ui->actionDark, ui->actionBronze,
                                 ui->actionCoffee, this);
    createStatusBarFields();
    delete ui->dockAlarmHistory;
    ui->dockAlarmHistory = nullptr;
    showMaximized();
    m_alarms->createPlayer();
    setCorner(Qt::BottomLeftCorner, Qt::LeftDockWidgetArea);
    setCorner(Qt::BottomRightCorner, Qt::RightDockWidgetArea);

    createActionGroups();
    connectActions();
    createDockToggles();
    createTreeModels();
    createViewsAndLogs();
    createWorkspaces();
    createElementTree();
    createCommandRouter();
    m_zoom = new ZoomTools(m_workspaces.get(), ui->zoomToolBar, ui->actZoomIn, ui->actZoomOut, ui->actScaleToHeight,
                           ui->actScaleToWidth, this);
    createMapEditTools();
    createPropertyPanel();
    createDeviceStates();
    createWorkspaceActions();
    createProjectFiles();
    tabifyDockWidget(ui->dockLogs, ui->dockSensorsState);
    tabifyDockWidget(ui->dockSensorsState, ui->dockAlarmStates);
    setWindowTitle(QApplication::applicationName() + QLatin1Char(' ') + QApplication::applicationVersion());
    m_workspaces->addWorkspace(QString());

    loadSettings();
    m_look->applyStoredLook();
    m_logs->createVoltageLog();
    connect(m_logs->voltageDiagrammsDlg, &VoltageDiagrammsDlg::writeUserActionLog, this,
            &MainWindow::writeUserActionLog);
    createDeviceUnits();
    auto* gatewayLink = new GatewayLink(m_units.get(), m_trees, m_workspaces.get(), this);
    DeviceStates* states = m_deviceStates.get();
    connect(gatewayLink, &GatewayLink::noteChanged, states, [states](const QString& note) { states->showLinkNote(true, note); });
    connect(gatewayLink, &GatewayLink::closedHere, states, [states](const QString& why) { states->showClosedHere(true, why); });
    connect(gatewayLink, &GatewayLink::gatewaysSettled, states, &DeviceStates::leaveUndialledUnwatched);
    connect(m_files, &ProjectFiles::projectClosed, gatewayLink, &GatewayLink::projectClosed);
    auto* twLink = new TWLink(m_units.get(), m_trees, this);
    connect(twLink, &TWLink::noteChanged, states, [states](const QString& note) { states->showLinkNote(false, note); });
    connect(twLink, &TWLink::closedHere, states, [states](const QString& why) { states->showClosedHere(false, why); });
    connect(m_files, &ProjectFiles::projectClosed, twLink, &TWLink::projectClosed);
    m_files->setLinksToSave([gatewayLink, twLink] {
        return ProjectWriter::Links{gatewayLink->addressToSave(), twLink->addressToSave()};
    });
    applyUserRights();
    setDesignMode(false);
    // Once the window stands: reading a large project takes a while, and a
    // half-built window must not sit frozen on the screen meanwhile.
    QMetaObject::invokeMethod(m_files, &ProjectFiles::openLastProject, Qt::QueuedConnection);
    m_zoom->applyStoredScale();
    if (m_trees->twSensorRoot()->childCount() == 0)
        m_trees->buildTWSensorTree(m_workspaces->caption(ui->tabWidget->currentIndex()), ui->tabWidget->currentIndex(),
                                   m_workspaces->currentWorkplace());
}

MainWindow::~MainWindow()
{
    m_gatewaySetup.reset();
    // The voltage log marks where this run's data stream ends.
    if (m_logs && m_logs->voltageDiagrammsDlg)
        m_logs->voltageDiagrammsDlg->writeCheckPoint();
    // Nothing the clients say while they go down reaches this half-gone window.
    m_units->fenceClient()->disconnect(this);
    m_units->twClient()->disconnect(this);
    m_units->stop();
    // Scenes go before the models whose nodes their items point at.
    qDeleteAll(m_workspaces->scenes());
    ui.reset();
    g_elementTreeModel = nullptr;
    g_energizerModel = nullptr;
    g_twSensorModel = nullptr;
}

// ---- construction ------------------------------------------------------------

void MainWindow::createStatusBarFields()
{
    const auto addField = [this](const QString& text, int stretch) {
        auto* label = new StatusField(text, this);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        statusBar()->addPermanentWidget(label, stretch);
        return label;
    };
    // A note stands left of the fields, as wide as its text where the bar
    // has room, and shortened with its "…" as the others where it has not;
    // the layout measures it again whenever the window or a field changes.
    m_mapNoteLabel = addField(QString(), 0);
    m_mapNoteLabel->setObjectName(QStringLiteral("mapNoteLabel"));
    m_mapNoteLabel->hide();
    m_mapNoteTimer = new QTimer(this);
    m_mapNoteTimer->setSingleShot(true);
    connect(m_mapNoteTimer, &QTimer::timeout, m_mapNoteLabel, [this] {
        m_mapNoteLabel->hide();
        m_mapNoteLabel->clear();
    });
    m_positionLabel = addField(tr("X: %1 Y: %2").arg(0).arg(0), 0);
    m_positionLabel->setFixedWidth(100);
    // A link field is 300 wide at least, and as wide as its text where the
    // window has room, so that the address the link dials shows: it takes
    // no share of the room by a stretch, which would leave its text cut
    // beside an empty command note.
    m_gatewayStatusLabel = addField(tr("Right"), 0);
    m_twStatusLabel = addField(tr("Right"), 0);
    for (QLabel* link : {m_gatewayStatusLabel, m_twStatusLabel}) {
        link->setMinimumWidth(300);
        link->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
    }
    // Named, so that tests find them as an operator reads them.
    m_positionLabel->setObjectName(QStringLiteral("positionLabel"));
    m_gatewayStatusLabel->setObjectName(QStringLiteral("gatewayStatusLabel"));
    m_twStatusLabel->setObjectName(QStringLiteral("twStatusLabel"));
    // The command note takes the room the others leave.
    m_commandNoteLabel = addField(QString(), 1);
    m_commandNoteLabel->setObjectName(QStringLiteral("commandNoteLabel"));
}

void MainWindow::showNote(const QString& subject, const QString& text)
{
    m_mapNoteLabel->setText(text);
    m_mapNoteLabel->show();
    m_mapNoteTimer->start(mapNoteMs());
    // Whole in the log, however little of it the bar can show.
    emit writeUserActionLog(subject, text);
}

void MainWindow::createWorkspaces()
{
    delete ui->tab;
    ui->tab = nullptr;
    m_workspaces = std::make_unique<WorkspaceArea>(ui->tabWidget, this, m_mapHost.get(), g_elementTreeModel,
                                                   g_energizerModel);
    // The maps are edited in design mode only, their undo steps too.
    connect(ui->actUndo, &QAction::triggered, this, [this] {
        if (m_workspaces->designMode())
            m_workspaces->undoGroup()->undo();
    });
    connect(ui->actRedo, &QAction::triggered, this, [this] {
        if (m_workspaces->designMode())
            m_workspaces->undoGroup()->redo();
    });
    connect(m_workspaces->undoGroup(), &QUndoGroup::canUndoChanged, ui->actUndo, &QAction::setEnabled);
    connect(m_workspaces->undoGroup(), &QUndoGroup::canRedoChanged, ui->actRedo, &QAction::setEnabled);
    // Only towards changed: the group also reports "clean" when it merely
    // switches to another tab's stack, and edits outside the stacks count too.
    connect(m_workspaces->undoGroup(), &QUndoGroup::cleanChanged, m_project.get(), [this](bool clean) {
        if (!clean)
            m_project->setModified(true);
    });
    m_workspaces->setSoundAlarmList(m_alarms->editableSoundAlarms());
    connect(m_workspaces.get(), &WorkspaceArea::projectModified, m_project.get(), [this] { m_project->setModified(true); });
    connect(ui->tabWidget, &QTabWidget::currentChanged, this, &MainWindow::currentTabChanged);
    connect(m_workspaces.get(), &WorkspaceArea::workspaceRenamed, this, &MainWindow::followWorkspaceRename);
    connect(ui->actDelete, &QAction::triggered, this, [this] {
        if (GraphicsScene* scene = m_workspaces->currentScene())
            scene->deleteItem();
    });
}

void MainWindow::createCommandRouter()
{
    m_commands = std::make_unique<CommandRouter>(m_workspaces.get(), m_alarms.get(), m_units.get(), m_launchers);
    connect(m_commands.get(), &CommandRouter::command, this, &MainWindow::command);
    connect(m_commands.get(), &CommandRouter::userAction, this, &MainWindow::writeUserActionLog);
    connect(m_commands.get(), &CommandRouter::alarmLog, this, &MainWindow::writeAlarmLog);
    connect(m_commands.get(), &CommandRouter::commandNote, m_commandNoteLabel, &QLabel::setText);
    // The alarm confirmation's sound choice is a command; what it confirmed, user actions.
    connect(m_alarms->alarmConfirmDlg(), &CommonDlg::commandSending, m_commands.get(), &CommandRouter::commandSending);
    connect(m_alarms->alarmConfirmDlg(), &CommonDlg::writeUserActionLogList, this, &MainWindow::writeUserActionLogList);
}

void MainWindow::createMapEditTools()
{
    MapEditTools::Widgets widgets;
    widgets.mapEditToolBar = ui->mapEditToolBar;
    widgets.lineWidthBefore = ui->actDrawText;
    widgets.fontToolBar = ui->fontToolBar;
    widgets.fontBefore = ui->actBold;
    widgets.bold = ui->actBold;
    widgets.italic = ui->actItalic;
    widgets.underline = ui->actUnderline;
    widgets.fontColor = ui->actFontColor;
    widgets.backgroundColor = ui->actBackgroundColor;
    widgets.borderColor = ui->actBorderColor;
    widgets.alignLeft = ui->actAlignLeft;
    widgets.alignCenter = ui->actAlignCenter;
    widgets.alignRight = ui->actAlignRight;
    widgets.cut = ui->actCut;
    widgets.copy = ui->actCopy;
    widgets.paste = ui->actPaste;
    m_mapEdit = new MapEditTools(m_workspaces.get(), widgets, this);
    connect(m_mapEdit, &MapEditTools::projectModified, m_project.get(), [this] { m_project->setModified(true); });
    connect(m_mapEdit, &MapEditTools::gatewayRowsWanted, this, [this] { m_trees->rebuildEnergizerModel(*m_workspaces); });
    connect(m_mapEdit, &MapEditTools::note, this,
            [this](const QString& text) { showNote(GraphicsScene::LogSubject, text); });
}

void MainWindow::createPropertyPanel()
{
    delete ui->dummyWidget;
    ui->dummyWidget = nullptr;
    m_propertyPanel = std::make_unique<PropertyPanel>(this, ui->dockWidgetContents_4, m_mapEdit, m_trees, m_workspaces.get(),
                                                      m_alarms.get(), m_elementTree, m_units.get());
    connect(m_propertyPanel->edits(), &PanelEdits::commandRequested, m_commands.get(), &CommandRouter::commandSending);
    connect(m_mapHost.get(), &MainWindowMapHost::captionTyped, m_propertyPanel->edits(), &PanelEdits::textChanged);
    connect(m_mapEdit, &MapEditTools::itemRestyled, this,
            [this](QGraphicsItem* item) { m_propertyPanel->refillFor(item); });
    connect(m_mapHost.get(), &MainWindowMapHost::popupParamsRequested, this,
            [this](QGraphicsItem* item) { m_propertyPanel->showPopupParams(item); });
    connect(m_propertyPanel->edits(), &PanelEdits::projectModified, m_project.get(),
            [this] { m_project->setModified(true); });
    connect(m_propertyPanel->edits(), &PanelEdits::userAction, this, &MainWindow::writeUserActionLog);
    connect(m_propertyPanel->edits(), &PanelEdits::gatewayRowsWanted, this,
            [this] { m_trees->rebuildEnergizerModel(*m_workspaces); });
    // An element leaving the site (its placing undone, its deletion, its
    // workspace's) may be freed by the step that holds it: no panel keeps it.
    TreeModel* elements = m_trees->elementModel();
    connect(elements, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this, elements](const QModelIndex& parent, int first, int last) {
                for (int row = first; row <= last; ++row)
                    m_propertyPanel->forgetNodesUnder(elements->getNode(elements->index(row, 0, parent)));
            });
    // The panel's command buttons open their pages through whichever
    // launchers the window holds at the time of the click.
    m_propertyPanel->edits()->setGlobalCommandChooser([this](QWidget*, int* mode) {
        *mode = m_launchers->globalCommand(1);
        return *mode != CommonDlg::GlobalCommandCancelled;
    });
    m_propertyPanel->edits()->setButtonActionChooser([this](QWidget*, PanelEdits::ButtonAction* action) {
        ButtonAction chosen;
        if (m_launchers->buttonAction(chosen) != QDialog::Accepted)
            return false;
        *action = {chosen.node, chosen.command, chosen.name};
        return true;
    });
}

void MainWindow::createDeviceStates()
{
    m_deviceStates = std::make_unique<DeviceStates>(m_units.get(), m_alarms.get(), m_workspaces.get(), m_elementTree,
                                                     m_propertyPanel.get(), m_gatewayStatusLabel, m_twStatusLabel);
    connect(m_deviceStates.get(), &DeviceStates::gatewayStreamChanged, this, [this] {
        if (m_logs && m_logs->voltageDiagrammsDlg)
            m_logs->voltageDiagrammsDlg->writeCheckPoint();
    });
}

void MainWindow::createWorkspaceActions()
{
    m_workspaceActions = new WorkspaceActions(m_workspaces.get(), m_trees, m_launchers, this);
    connect(m_workspaceActions, &WorkspaceActions::projectModified, m_project.get(),
            [this] { m_project->setModified(true); });
    connect(m_workspaceActions, &WorkspaceActions::userAction, this, &MainWindow::writeUserActionLog);
    connect(m_workspaceActions, &WorkspaceActions::note, this, &MainWindow::showNote);
    connect(m_workspaceActions, &WorkspaceActions::workplaceEmptying, this,
            [this](const Node* workplace) { m_propertyPanel->forgetNodesUnder(workplace); });
    connect(m_workspaceActions, &WorkspaceActions::workplaceModeChanged, this, &MainWindow::applyWorkplaceMode);
    connect(ui->actNewBlankWorkspace, &QAction::triggered, m_workspaceActions, &WorkspaceActions::newWorkspace);
    connect(ui->actDeleteWorkplace, &QAction::triggered, m_workspaceActions, &WorkspaceActions::deleteWorkspace);
    connect(ui->actWorkspaceSetup, &QAction::triggered, m_workspaceActions, &WorkspaceActions::workspaceSetup);
}

void MainWindow::createProjectFiles()
{
    m_files = new ProjectFiles(m_project.get(), m_workspaces.get(), m_trees, m_alarms.get(), m_elementTree,
                               m_propertyPanel.get(), m_units.get(), this, ui->menuFile, ui->actExit);
    connect(m_files, &ProjectFiles::userAction, this, &MainWindow::writeUserActionLog);
    // The alarm confirmation keeps its lines: only the operator's
    // confirmation takes a line off it.
    connect(m_files, &ProjectFiles::projectClosed, this, [this] {
        m_deviceStates->projectClosed();
        m_commands->clearNote();
    });
    connect(m_files, &ProjectFiles::linkAddressRefused, this, [this](bool gateway, const QString& address) {
        m_deviceStates->showRefusedAddress(gateway, address);
    });
    connect(m_files, &ProjectFiles::titleChanged, this, &MainWindow::setWindowTitle);
    connect(m_files, &ProjectFiles::filePathChanged, this, &MainWindow::setWindowFilePath);
    connect(m_files, &ProjectFiles::workplaceModeChanged, this, &MainWindow::applyWorkplaceMode);
    connect(m_files, &ProjectFiles::projectShown, this, [this] {
        followDesignMode();
        currentTabChanged(0);
    });
    connect(m_files, &ProjectFiles::settingsReloadWanted, this, &MainWindow::loadSettings);
    connect(ui->actOpen, &QAction::triggered, m_files, &ProjectFiles::openFile);
    connect(ui->actSave, &QAction::triggered, m_files, &ProjectFiles::saveFile);
    connect(ui->actSaveAs, &QAction::triggered, m_files, &ProjectFiles::saveFileAs);
    connect(ui->actNew, &QAction::triggered, m_files, &ProjectFiles::newFile);
}

void MainWindow::createActionGroups()
{
    auto* alignGroup = new QActionGroup(this);
    alignGroup->setExclusive(true);
    for (QAction* action : {ui->actAlignLeft, ui->actAlignCenter, ui->actAlignRight})
        alignGroup->addAction(action);
    connect(alignGroup, &QActionGroup::triggered, this,
            [this](QAction* action) { m_propertyPanel->alignmentChosen(action); });

    ui->actSelectObject->setData(SelectTool);
    ui->actDrawLine->setData(LineTool);
    ui->actDrawText->setData(TextTool);
    ui->actAddOsprelVellWizard->setData(GatewayTool);
    ui->actDrawButton->setData(ButtonTool);
    ui->actAddTWsector->setData(TWSectorTool);
    ui->actSelectObject->setChecked(true);
    auto* toolGroup = new QActionGroup(this);
    toolGroup->setExclusive(true);
    for (QAction* action : {ui->actDrawLine, ui->actSelectObject, ui->actDrawText, ui->actDrawButton,
                            ui->actAddOsprelVellWizard, ui->actAddTWsector})
        toolGroup->addAction(action);
    connect(toolGroup, &QActionGroup::triggered, this, &MainWindow::actionGroupClicked);

    // Greyed with the edit toolbar outside design mode, in the Edit menu
    // too; in design mode each shows again whether it has anything to do.
    m_mapEditActions = new QActionGroup(this);
    m_mapEditActions->setExclusionPolicy(QActionGroup::ExclusionPolicy::None);
    for (QAction* action : {ui->actUndo, ui->actRedo, ui->actCut, ui->actPaste, ui->actDelete})
        m_mapEditActions->addAction(action);
}

void MainWindow::connectActions()
{
    connect(ui->actSetting, &QAction::triggered, this, &MainWindow::showSettingDlg);
    connect(ui->actExit, &QAction::triggered, this, &MainWindow::closeApplication);
    connect(ui->actShowUserActionLog, &QAction::triggered, ui->actShowUserActionLog,
            [this](bool) { showUserActionLog(); });
    connect(ui->actOsprelVellSetup, &QAction::triggered, this, &MainWindow::showOsprelVellSetup);
    connect(ui->actDesignMode, &QAction::triggered, this, [this](bool mode) {
        emit writeUserActionLog(LogSubject, tr("Design mode set to %1").arg(boolText(mode)));
        setDesignMode(mode);
    });
    connect(ui->actFullScreen, &QAction::triggered, this, &MainWindow::fullScreenMode);
    connect(ui->actUserAdministration, &QAction::triggered, this, &MainWindow::showUserAdmin);
    connect(ui->actAbout, &QAction::triggered, this, &MainWindow::showAbout);
    connect(ui->actTimers, &QAction::triggered, this, &MainWindow::showTimers);
    connect(ui->actLumetraReadme, &QAction::triggered, ui->actLumetraReadme, [this](bool) { openReadme(); });
    connect(ui->actPrintPreview, &QAction::triggered, this, [this] { MapPrint::preview(m_workspaces->currentScene(), this); });
    connect(ui->actBatteryDiagram, &QAction::triggered, this,
            [this] { showVDiagramms(VoltageDiagrammsDlg::BatteryDiagram); });
    connect(ui->actOutputDiagram, &QAction::triggered, this,
            [this] { showVDiagramms(VoltageDiagrammsDlg::OutputDiagram); });
    connect(ui->actTWSensorsSetup, &QAction::triggered, this, &MainWindow::showTWSensorsSetup);
}

void MainWindow::createDockToggles()
{
    const std::pair<QDockWidget*, Dock> docks[] = {{ui->dockProperties, PropertiesDock},
                                                   {ui->dockAllList, AllListDock},
                                                   {ui->dockAlarmStates, AlarmStatesDock},
                                                   {ui->dockLogs, LogsDock},
                                                   {ui->dockSensorsState, SensorsStateDock}};
    for (const auto& [shown, number] : docks) {
        // A lambda may not capture a structured binding: it takes a plain copy.
        QDockWidget* dock = shown;
        QAction* toggle = dock->toggleViewAction();
        toggle->setData(int(number));
        // Shown again, a dock comes to the front of its tab group.
        if (number != SensorsStateDock)
            connect(toggle, &QAction::triggered, dock, [dock] { raiseDock(dock); });
        ui->menuDockableWindows->addAction(toggle);
    }
}

void MainWindow::createTreeModels()
{
    m_trees = new SiteTrees(this);
    connect(m_trees, &SiteTrees::energizerModelRebuilt, this, [this] { m_alarmStatesWidget->filteringAlarmStates(); });
}

// After the workspaces, which the tree's edits work on.
void MainWindow::createElementTree()
{
    m_elementTree = new ElementTreeArea(ui->treeView, m_trees->elementModel(), m_workspaces.get(), m_alarms.get(),
                                        m_launchers, this);
    connect(m_elementTree, &ElementTreeArea::selectionChanged, this,
            [this](const QItemSelection& current) { m_propertyPanel->selectionTreeChanged(current); });
    connect(m_elementTree, &ElementTreeArea::hiddenElementChosen, this,
            [this](Node* node) { m_propertyPanel->showElement(node); });
    connect(m_elementTree, &ElementTreeArea::projectModified, m_project.get(), [this] { m_project->setModified(true); });
    connect(m_elementTree, &ElementTreeArea::userAction, this, &MainWindow::writeUserActionLog);
    connect(m_elementTree, &ElementTreeArea::deleteRequested, ui->actDelete, &QAction::trigger);
    connect(m_elementTree, &ElementTreeArea::elementStateChanged, this,
            [this](Node* element) { m_deviceStates->energTick(element); });
    connect(ui->actActionManager, &QAction::triggered, m_elementTree, &ElementTreeArea::showActionManager);
    connect(m_mapHost.get(), &MainWindowMapHost::elementNodeShown, m_elementTree, &ElementTreeArea::showElementNode);
}
void MainWindow::createViewsAndLogs()
{
    m_twSensorsStatesWidget = new TWSensorsStatesWidget(g_twSensorModel, this);
    ui->dockSensorsState->setWidget(m_twSensorsStatesWidget);
    m_logs = std::make_unique<LogsArea>(this);
    m_logs->createAlarmLog(ui->dockLogs);
    connect(this, &MainWindow::writeAlarmLog, m_logs->alarmLogWidget, &AlarmLogWidget::addRecord);
    m_logs->createUserActionLog();
    UserActionLogDlg* userLog = m_logs->userActionLogDlg;
    connect(this, &MainWindow::writeUserActionLog, userLog,
            qOverload<QString, QString>(&UserActionLogDlg::addRecord));
    connect(this, &MainWindow::writeUserActionLogList, userLog, &UserActionLogDlg::addRecordList);
    // Clearing the alarm log is a user action.
    connect(m_logs->alarmLogWidget, &AlarmLogWidget::writeUserActionLog, this, &MainWindow::writeUserActionLog);
    // The user-action log's first row is this start's.
    emit writeUserActionLog(LogSubject, tr("Application start"));
    m_alarmStatesWidget = new AlarmStatesWidget(g_energizerModel, this);
    ui->dockAlarmStates->setWidget(m_alarmStatesWidget);
}

void MainWindow::createDeviceUnits()
{
    bool reverseLogic = false;
    bool sensorMode = false;
    {
        auto settings = SettingsFile::open();
        reverseLogic = SettingsFile::boolValue(*settings, QStringLiteral("ReverseLogic"), false);
        sensorMode = SettingsFile::boolValue(*settings, QStringLiteral("SensorMode"), false);
    }
    m_units->createControlUnit(g_energizerModel, reverseLogic, sensorMode);
    m_units->createFenceClient();
    m_units->createTWControlUnit(g_twSensorModel);
    m_units->createTWClient();
    m_units->createTimerUnit();
    // Connected before the units' threads start, which then see the
    // connections whole: the window's node-handle slots run on those threads.
    connectDeviceUnits();
    m_units->startControlUnit();
    m_units->startTWControlUnit();
    m_units->startTimerUnit();
    m_units->timerUnit()->setDefaultTimers();
    QCoreApplication::processEvents();
}

void MainWindow::connectDeviceUnits()
{
    ControlUnit* unit = m_units->controlUnit();
    TWControlUnit* twUnit = m_units->twControlUnit();
    TimerUnit* timer = m_units->timerUnit();
    AlarmLogWidget* alarmLog = m_logs->alarmLogWidget;
    DeviceStates* states = m_deviceStates.get();
    // What reaches the window while a project loads speaks of rows on their
    // way out; the units' alarm-log rows are never dropped.
    const auto loading = [files = m_files] { return files->isLoading(); };
    m_deliveries = new HandleMailbox(this);
    m_voltageDeliveries = new HandleMailbox(m_logs->voltageDiagrammsDlg);
    connectGatewayUnit(unit);
    // The unit resolves the handle under the site lock and keeps it while it
    // sends; a node gone by then is answered as not sent, like any command.
    connect(
        this, &MainWindow::command, unit,
        [unit](Node* device, CommandSend action, QVariant value) {
            QMetaObject::invokeMethod(
                unit,
                [unit, device = NodeHandle(device), action, value] {
                    SiteLocker lock;
                    unit->command(device.get(), action, value);
                },
                Qt::QueuedConnection);
        },
        Qt::DirectConnection);
    // A command the unit refuses is answered by the unit; one it hands on,
    // by the client that writes its frame, in the order given.
    connect(unit, &ControlUnit::commandRefused, m_commands.get(), &CommandRouter::commandNotSent,
            Qt::QueuedConnection);
    connect(m_units->fenceClient(), &qtClient::commandSent, m_commands.get(), &CommandRouter::commandSent);
    connect(m_units->fenceClient(), &qtClient::commandRefused, m_commands.get(), &CommandRouter::commandNotSent);
    connect(m_commands.get(), &CommandRouter::deviceStateWanted, states, &DeviceStates::showDeviceState);
    // A note on a command speaks of the link where it was.
    connect(m_units->fenceClient(), &qtClient::moved, m_commands.get(), &CommandRouter::clearNote);
    // The status bar follows the one gateway link.
    connect(m_units->fenceClient(), &qtClient::commStatus, this, [this](qtClient::ClientStatus value) {
        m_deviceStates->gatewayStatus(int(value));
        if (value == qtClient::Updated)
            m_commands->linkUpdated(false, m_units->fenceClient()->address());
    });

    queueAsHandle(twUnit, &TWControlUnit::sensorHearbeat, m_deliveries, [states, loading](Node* sensor) {
        if (!loading())
            states->sensorHeartbeat(sensor);
    });
    queueAsHandle(twUnit, &TWControlUnit::sensorTick, m_deliveries, [states, loading](Node* sensor) {
        if (!loading())
            states->sensorTick(sensor);
    });
    connect(twUnit, &TWControlUnit::writeAlarmLog, alarmLog->feed(), &AlarmLogFeed::add, Qt::DirectConnection);
    connect(m_units->twClient(), &qtClientTW::commStatus, this, [this](qtClient::ClientStatus value) {
        m_deviceStates->twStatus(int(value));
        if (value == qtClient::Updated)
            m_commands->linkUpdated(true, m_units->twClient()->address());
    });

    // The tick reaches the window first, then the units on their threads,
    // then the alarm, user-action and voltage logs.
    CommandRouter* commands = m_commands.get();
    connect(
        timer, &TimerUnit::timerCommand, this,
        [commands](QString kx4, int ioCard, CommandSend command, QVariant value) {
            commands->timerCommand(kx4, ioCard, command, value);
        },
        Qt::QueuedConnection);
    connect(timer, &TimerUnit::timerTick, this, &MainWindow::timerTick, Qt::QueuedConnection);
    connect(timer, &TimerUnit::timerTick, twUnit, &TWControlUnit::afterTimer, Qt::QueuedConnection);
    connect(timer, &TimerUnit::timerTick, unit, &ControlUnit::afterTimer, Qt::QueuedConnection);
    connect(timer, &TimerUnit::timerTick, alarmLog, &AlarmLogWidget::afterTimer, Qt::QueuedConnection);
    connect(timer, &TimerUnit::timerTick, m_logs->userActionLogDlg, &UserActionLogDlg::afterTimer, Qt::QueuedConnection);
    connect(timer, &TimerUnit::timerTick, m_logs->voltageDiagrammsDlg, &VoltageDiagrammsDlg::afterTimer,
            Qt::QueuedConnection);
}

void MainWindow::connectGatewayUnit(ControlUnit* unit)
{
    DeviceStates* states = m_deviceStates.get();
    const auto loading = [files = m_files] { return files->isLoading(); };
    queueAsHandle(unit, &ControlUnit::energHearbeat, m_deliveries, [states, loading](Node* row, bool statusChanged) {
        if (!loading())
            states->energHeartbeat(row, statusChanged);
    });
    queueAsHandle(unit, &ControlUnit::energTick, m_deliveries, [states, loading](Node* element) {
        if (!loading())
            states->energTick(element);
    });
    VoltageDiagrammsDlg* voltageLog = m_logs->voltageDiagrammsDlg;
    queueAsHandle(unit, &ControlUnit::writeVoltageLog, m_voltageDeliveries,
                  [voltageLog](Node* row) { voltageLog->writeVoltageLog(row); });
    // Alarm rows go to the database on the unit's thread, whatever the GUI thread is doing.
    connect(unit, &ControlUnit::writeAlarmLog, m_logs->alarmLogWidget->feed(), &AlarmLogFeed::add,
            Qt::DirectConnection);
}

// ---- accessors -------------------------------------------------------------------
















QString MainWindow::currentFileName() const
{
    return m_project ? m_project->currentFileName : QString();
}

void MainWindow::setDialogLaunchers(std::unique_ptr<DialogLaunchers> launchers)
{
    m_launchers = std::move(launchers);
    connectDialogLaunchers();
}

void MainWindow::connectDialogLaunchers()
{
    if (!m_launchers)
        return;
    connect(m_launchers.get(), &DialogLaunchers::userAction, this, &MainWindow::writeUserActionLog);
    connect(m_launchers.get(), &DialogLaunchers::twEnablingChanged, this, [this] {
        m_elementTree->proxy()->invalidate();
        m_twSensorsStatesWidget->refresh();
    });
    connect(m_launchers.get(), &DialogLaunchers::twSystemEnabledChanged, this, &MainWindow::updateTWSectorAction);
}

// ---- closing ---------------------------------------------------------------------

// Asks to save a changed project, logs the end of the session and writes the
// settings back. False when the operator wanted to save and the save did not
// happen: the window then stays open, with its edits.
static bool saveQuestionAnswered(MainWindow* window, const ProjectDocument* project)
{
    if (!window->projectFiles()->hasChanges())
        return true;
    const auto answer = QMessageBox::question(window, MainWindow::tr("Warning"),
                                              MainWindow::tr("The workspace was changed.\nSave it now?"),
                                              QMessageBox::Yes | QMessageBox::No, QMessageBox::NoButton);
    if (answer != QMessageBox::Yes)
        return true;
    window->projectFiles()->saveFile();
    return !project->isModified();
}

void MainWindow::closeApplication()
{
    if (!m_closed && !saveQuestionAnswered(this, m_project.get()))
        return;
    endSession();
}

void MainWindow::endWithoutAsking()
{
    if (!m_closed && m_project->isModified())
        m_files->writeUnsavedCopy();
    endSession();
}

void MainWindow::endSession()
{
    if (!m_closed) {
        m_closed = true;
        emit ending();
        emit writeUserActionLog(LogSubject, tr("Application closed"));
        WindowSettings::write([this](QSettings& settings) {
            settings.setValue(QStringLiteral("LineWidth"), m_mapEdit->lineWidthCombo()->currentText().toInt());
            m_alarms->write(settings);
            settings.setValue(QStringLiteral("geometry"), saveGeometry());
            settings.setValue(QStringLiteral("windowState"), saveState(0));
        });
    }
    m_closing = true;
    close();
    m_closing = false;
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!m_closing && !m_closed) {
        closeApplication();
        if (!m_closed) {
            event->ignore();
            return;
        }
    }
    event->accept();
}

void MainWindow::keyPressEvent(QKeyEvent* event)
{
    QMainWindow::keyPressEvent(event);
    if (event->key() != Qt::Key_Escape)
        return;
    if (ui->actFullScreen->isChecked())
        ui->actFullScreen->trigger();
    event->accept();
}

// ---- settings ----------------------------------------------------------------------

void MainWindow::loadSettings()
{
    {
        auto settings = SettingsFile::open();
        m_mapEdit->lineWidthCombo()->setCurrentText(QString::number(GraphicsLine::configuredLineWidth()));
    }
    m_alarms->load();
    setAlarmConditions(AlarmConditionSettings::load());
    {
        auto settings = SettingsFile::open();
        WindowStateCheck::restore(*this, settings->value(QStringLiteral("geometry")),
                                  settings->value(QStringLiteral("windowState")), 0);
    }
    // The panels were filled before: a workspace's shows the settings just read.
    m_propertyPanel->refillAll();
}

void MainWindow::showSettingDlg()
{
    // The dialog shows setting.ini: a text-alarm look edited in a panel goes there first.
    m_alarms->saveTextAlarmEdits();
    if (m_launchers->settings(m_workspaces->currentScene()) == QDialog::Accepted)
        applyWrittenSettings();
    if (m_launchers->soundAlarmsChanged())
        m_project->setModified(true);
    m_elementTree->selectFirstRow();
}

// What the settings dialog wrote takes effect now. A write that failed left
// the file as it was, and so what is in force.
void MainWindow::applyWrittenSettings()
{
    {
        auto settings = SettingsFile::open();
        m_units->controlUnit()->reverseLogic = SettingsFile::boolValue(*settings, QStringLiteral("ReverseLogic"), false);
        m_units->controlUnit()->sensorMode = SettingsFile::boolValue(*settings, QStringLiteral("SensorMode"), false);
        m_alarms->loadTextAlarm(*settings);
    }
}

// ---- launchers ---------------------------------------------------------------------

void MainWindow::showUserActionLog()
{
    m_logs->userActionLogDlg->showDialog();
}

void MainWindow::openReadme()
{
    const QString path = AppPaths::filePath(ReadmeFile);
    QString problem;
    if (!QFileInfo::exists(path))
        problem = tr("The readme %1 is missing.").arg(QDir::toNativeSeparators(path));
    else if (!UrlOpener::open(QUrl::fromLocalFile(path)))
        problem = tr("No program could open the readme %1.").arg(QDir::toNativeSeparators(path));
    if (problem.isEmpty())
        return;
    qCWarning(lcMainWindow).noquote() << problem;
    QMessageBox::warning(this, ui->actLumetraReadme->text(), problem);
}

void MainWindow::showOsprelVellSetup()
{
    m_launchers->gatewaySetup(m_gatewaySetup.get());
    m_project->setModified(true);
    // The dialog may have renamed the devices the panels show.
    m_propertyPanel->refillAll();
}

void MainWindow::showVDiagramms(int type)
{
    m_logs->voltageDiagrammsDlg->setDiagramType(g_energizerModel, type);
}

void MainWindow::showTWSensorsSetup()
{
    m_launchers->twSensorsSetup(ui->tabWidget->currentIndex(), m_units->twClient());
    m_project->setModified(true);
}

void MainWindow::showUserAdmin()
{
    m_launchers->userAdministration();
    // The logged-in account may have been renamed or given another role.
    applyUserRights();
}

void MainWindow::showAbout()
{
    m_launchers->about();
}

void MainWindow::showTimers()
{
    QList<TimerData> timers = m_units->timerUnit()->timers();
    if (m_launchers->relayTimers(timers) != QDialog::Accepted)
        return;
    m_units->timerUnit()->setTimers(timers);
    m_project->setModified(true);
}

void MainWindow::updateTWSectorAction()
{
    if (!ui->actDesignMode->isChecked()) {
        ui->actAddTWsector->setEnabled(false);
        return;
    }
    GraphicsScene* scene = m_workspaces->currentScene();
    if (!scene || !scene->workplaceNode())
        return;
    SiteLocker lock;
    for (const Node* child : scene->workplaceNode()->children) {
        if (child->type == Node::TWSystem)
            ui->actAddTWsector->setEnabled(child->enabled);
    }
}

void MainWindow::applyUserRights()
{
    const auto holds = [](int right) { return checkUserRight(right, g_currentUser); };
    // Recomputed from the role as it stands: a right given back shows its action again.
    m_forbiddenActions.clear();
    const auto showIf = [this](QAction* action, bool held) {
        action->setVisible(held);
        if (!held)
            m_forbiddenActions.insert(action);
    };
    m_logs->userActionLogDlg->clearButton->setVisible(holds(UserRight::ClearLog));
    showIf(ui->actDesignMode, holds(UserRight::EditWorkspace));
    showIf(ui->actActionManager, holds(UserRight::EditWorkspace));
    showIf(ui->actSetting, holds(UserRight::EditWorkspace));
    showIf(ui->actSaveAs, holds(UserRight::EditWorkspace));
    m_maySetUp = holds(UserRight::EditWorkspace) || holds(UserRight::GatewaySetup) || holds(UserRight::TimersSetup)
        || holds(UserRight::SensorsSetup);
    showSaveAction();
    ui->menuEdit->setEnabled(holds(UserRight::EditWorkspace));
    ui->menuView->setEnabled(holds(UserRight::EditWorkspace));
    ui->menuVoltageDiagrams->setEnabled(holds(UserRight::VoltageDiagrams));
    showIf(ui->actUserAdministration, holds(UserRight::EditUsers));
    showIf(ui->actOsprelVellSetup, holds(UserRight::GatewaySetup));
    showIf(ui->actTimers, holds(UserRight::TimersSetup));
    showIf(ui->actTWSensorsSetup, holds(UserRight::SensorsSetup));
    GraphicsScene* scene = m_workspaces->currentScene();
    showWorkplaceActions(scene ? m_workspaces->workplaceMode(scene) : 0);
    m_propertyPanel->followUserRights();
}

// Save for whoever may set the site up, and for anyone once the project
// holds a change: an edit the role does not allow is refused, so a change
// the project holds (an element's StateEnable, say) is the user's to save.
void MainWindow::showSaveAction()
{
    ui->actSave->setEnabled(m_project->isModified());
    ui->actSave->setVisible(m_maySetUp || m_project->isModified());
}

// ---- workspaces --------------------------------------------------------------------


void MainWindow::currentTabChanged(int index)
{
    m_workspaces->followCurrentTab();
    if (GraphicsScene* scene = m_workspaces->currentScene()) {
        ui->actUndo->setEnabled(scene->undoStack()->canUndo());
        ui->actRedo->setEnabled(scene->undoStack()->canRedo());
        m_elementTree->proxy()->setWorkplaceFilter(m_workspaces->caption(index));
        applyWorkplaceMode(m_workspaces->workplaceMode(scene));
        // The tree and the panel leave the element of the tab left behind.
        m_elementTree->showWorkplace(scene->workplaceNode());
    }
    showWorkspaceStates(m_workspaces->caption(index));
    updateTWSectorAction();
}

// The state views show the workspace in front, which they know by its caption.
void MainWindow::showWorkspaceStates(const QString& caption)
{
    m_alarmStatesWidget->showWorkspace(caption);
    m_twSensorsStatesWidget->showWorkspace(caption);
}

// Every view that knows a workspace by its caption takes the new one.
void MainWindow::followWorkspaceRename(int index, const QString& caption)
{
    m_trees->renameTWSystemsOf(index, caption);
    if (index == ui->tabWidget->currentIndex()) {
        m_elementTree->showWorkplaceNamed(caption);
        showWorkspaceStates(caption);
    }
    GraphicsScene* scene = m_workspaces->sceneAt(index);
    for (PropertySet* set : m_propertyPanel->setsShowing(scene ? scene->workplaceNode() : nullptr))
        set->setValue(QStringLiteral("WorkspaceCaption"), caption);
}

// What the workspace shows; an action the user has no right to stays hidden.
void MainWindow::showWorkplaceActions(int mode)
{
    const auto showAction = [this](QAction* action, bool shown) {
        action->setVisible(shown && !m_forbiddenActions.contains(action));
    };
    const bool gateway = mode == 0 || mode == 1;
    const bool sensors = mode == 0 || mode == 2;
    showAction(ui->actActionManager, gateway);
    showAction(ui->actOsprelVellSetup, gateway);
    showAction(ui->actAddOsprelVellWizard, gateway);
    showAction(ui->actTWSensorsSetup, sensors);
}

void MainWindow::applyWorkplaceMode(int mode)
{
    const auto showDock = [](QDockWidget* dock, bool shown) {
        dock->setVisible(shown);
        dock->toggleViewAction()->setVisible(shown);
    };
    const bool gateway = mode == 0 || mode == 1;
    const bool sensors = mode == 0 || mode == 2;
    m_gatewayStatusLabel->setVisible(gateway);
    m_twStatusLabel->setVisible(sensors);
    showWorkplaceActions(mode);
    if (gateway || sensors) {
        showDock(ui->dockAlarmStates, gateway);
        showDock(ui->dockSensorsState, sensors);
    }
    GraphicsScene* scene = m_workspaces->currentScene();
    m_elementTree->showWorkplaceMode(scene ? m_workspaces->workplaceMode(scene) : 0);
}

void MainWindow::mousePos(QPointF pos)
{
    m_positionLabel->setText(tr("X: %1 Y: %2").arg(pos.x(), 0, 'g', 6).arg(pos.y(), 0, 'g', 6));
}

void MainWindow::fullScreenMode(bool value)
{
    for (QToolBar* bar : findChildren<QToolBar*>())
        bar->setVisible(!value);
    for (QDockWidget* dock : findChildren<QDockWidget*>())
        dock->setVisible(!value);
    if (!value) {
        GraphicsScene* scene = m_workspaces->currentScene();
        applyWorkplaceMode(scene ? m_workspaces->workplaceMode(scene) : 0);
    }
}

void MainWindow::actionGroupClicked(QAction* action)
{
    if (GraphicsScene* scene = m_workspaces->currentScene())
        scene->setMode(GraphicsScene::Mode(action->data().toInt()));
    m_propertyPanel->toolChosen(action->data().toInt());
}

// Design mode as it stands, without the design-mode question and log line.
void MainWindow::followDesignMode()
{
    const bool design = ui->actDesignMode->isChecked();
    m_workspaces->setDesignMode(design);
    m_propertyPanel->setDesignMode(design);
    m_elementTree->setDesignMode(design);
    updateTWSectorAction();
}

void MainWindow::setDesignMode(bool mode)
{
    m_elementTree->setDesignMode(mode);
    for (QWidget* widget : std::initializer_list<QWidget*>{ui->fontToolBar, ui->mapEditToolBar, ui->alarmToolBar,
                                                           ui->editToolBar, ui->menuWorkplace})
        widget->setEnabled(mode);
    m_mapEditActions->setEnabled(mode);
    for (QAction* action : {ui->actAddOsprelVellWizard, ui->actOsprelVellSetup, ui->actTWSensorsSetup, ui->actNew})
        action->setEnabled(mode);
    updateTWSectorAction();
    m_workspaces->setDesignMode(mode);
    m_propertyPanel->setDesignMode(mode);
    if (mode)
        QMessageBox::warning(this, tr("Warning"), tr("In Design mode sound and visual alarms\non the workspace are disabled!"));
}

void MainWindow::timerTick()
{
    // Nothing to repaint here: the device ticks that follow this one turn
    // the blink phases, and each map item repaints itself when its look
    // changes. Repainting the whole map every second cost more than all the
    // devices' ticks together. The slot keeps its place as the tick's first
    // receiver on this thread.
}

void MainWindow::selectTool(int tool)
{
    for (QAction* action : {ui->actSelectObject, ui->actDrawLine, ui->actDrawText, ui->actAddOsprelVellWizard,
                            ui->actDrawButton, ui->actAddTWsector}) {
        if (action->data().toInt() == tool)
            action->setChecked(true);
    }
}
