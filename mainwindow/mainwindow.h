#pragma once

#include "actionmsglist.h"
#include "commandsend.h"
#include "deviceunits.h"
#include "node.h"
#include "qtclient.h"

#include <QMainWindow>
#include <QPointF>
#include <QSet>
#include <QString>
#include <QVariant>

#include <memory>

namespace Ui {
class MainWindow;
}

class AlarmStatesWidget;
class AlarmsArea;
class ApplicationLook;
class CommandRouter;
class DeviceStates;
class DialogLaunchers;
class ControlUnit;
class ElementTreeArea;
class GatewaySetupBridge;
class HandleMailbox;
class LogsArea;
class MapEditTools;
class MainWindowMapHost;
class PropertyPanel;
class ProjectDocument;
class ProjectFiles;
class QAction;
class QActionGroup;
class QLabel;
class QTimer;
class SiteTrees;
class TWSensorsStatesWidget;
class WorkspaceActions;
class WorkspaceArea;
class ZoomTools;

// The running application's window and the owner of the running system. It
// assembles: it keeps the form, makes the areas (project document and
// files, workspaces, map tools, site trees, element tree, property panel,
// device states, commands, alarms, logs, device units), hands each the
// widgets it owns and connects what they announce. docs/architecture.md
// draws the whole.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    // Drawing tools carried in the data of the tool actions.
    enum Tool { SelectTool = 1, LineTool = 2, TextTool = 3, GatewayTool = 4, ButtonTool = 5, TWSectorTool = 6 };
    // Docks carried in the data of their toggle-view actions.
    enum Dock { LogsDock = 1, AllListDock = 2, PropertiesDock = 3, SensorsStateDock = 4, AlarmStatesDock = 5 };

    static constexpr int GatewayClearStepMs = 100;
    // How long the status bar shows a note: why a map tool left something
    // as it was, what an edit of the map dropped.
    static constexpr int MapNoteMs = 10000;
    static inline const QString ControlUnitThreadName = QStringLiteral("ControlUnitThread");
    static inline const QString TimerUnitThreadName = QStringLiteral("TimerUnitThread");
    static inline const QString TWSensorsThreadName = QStringLiteral("TWSensorsThread");
    static inline const QString FenceClientName = QStringLiteral("FenceClient");
    static inline const QString TWSensorsClientName = QStringLiteral("TWSensorsClient");
    static inline const QString ReadmeFile = QStringLiteral("BrenikLumetraReadme.pdf");
    static inline const QString LogSubject = QStringLiteral("Application");

    // Tests shorten how long a note stands; a negative value restores it.
    static void setMapNoteTime(int ms);

    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // ---- the areas, for main, the tests and the benchmarks; every other
    // object is reached through the area that owns it.
    SiteTrees* trees() const { return m_trees; }
    WorkspaceArea* workspaces() const { return m_workspaces.get(); }
    ElementTreeArea* elementTree() const { return m_elementTree; }
    PropertyPanel* propertyPanel() const { return m_propertyPanel.get(); }
    MapEditTools* mapEditTools() const { return m_mapEdit; }
    ZoomTools* zoom() const { return m_zoom; }
    ProjectDocument* project() const { return m_project.get(); }
    ProjectFiles* projectFiles() const { return m_files; }
    AlarmsArea* alarms() const { return m_alarms.get(); }
    LogsArea* logs() const { return m_logs.get(); }
    DeviceStates* deviceStates() const { return m_deviceStates.get(); }
    CommandRouter* commands() const { return m_commands.get(); }
    // The device side, on its threads; see DeviceUnits.
    DeviceUnits* units() const { return m_units.get(); }
    // Wires what a gateway's control unit reports to the window and the
    // logs, as the window's own unit is wired.
    void connectGatewayUnit(ControlUnit* unit);
    QString currentFileName() const;

    // Dialogs come through here; tests install answers that show nothing.
    void setDialogLaunchers(std::unique_ptr<DialogLaunchers> launchers);
    DialogLaunchers* dialogLaunchers() const { return m_launchers.get(); }

    // ---- workspaces
    void applyWorkplaceMode(int mode);
    // Checks the drawing tool's action (a Tool) without running it.
    void selectTool(int tool);

    // ---- settings
    void loadSettings();

    // ---- launchers
    void showUserActionLog();
    void openReadme();
    void updateTWSectorAction();
    void applyUserRights();

signals:
    void writeAlarmLog(QString source, QString reason, QString message);
    void writeUserActionLog(QString subject, QString message);
    void writeUserActionLogList(ActionMsgList messageList);
    void command(Node* node, CommandSend command, QVariant value);
    // The session ends: any question has been answered, and the end's log
    // row, the settings and the close follow at once, before control
    // returns to the event loop.
    void ending();

public slots:
    // workspaces and map editing
    void mousePos(QPointF pos);
    void currentTabChanged(int index);
    void fullScreenMode(bool value);
    // selection and the property panel
    void actionGroupClicked(QAction* action);
    // settings
    void showSettingDlg();
    void closeApplication();
    // The end when nobody may be there to answer (a shutdown signal): asks
    // nothing, leaves unsaved changes in the project's unsaved copy and
    // ends as closeApplication does.
    void endWithoutAsking();
    // launchers
    void showOsprelVellSetup();
    void showUserAdmin();
    void showAbout();
    void showTimers();
    void showVDiagramms(int type);
    void showTWSensorsSetup();
    // design mode
    void setDesignMode(bool mode);
    // Applies the design mode the action shows to every area, quietly.
    void followDesignMode();
    void timerTick();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::unique_ptr<Ui::MainWindow> ui;

    // Construction, one step per function, in the order the constructor runs them.
    void createStatusBarFields();
    // Shows `text` in the note field for a while and logs it whole as a user action of `subject`.
    void showNote(const QString& subject, const QString& text);
    void createWorkspaces();
    void createElementTree();
    void createCommandRouter();
    void createMapEditTools();
    void createPropertyPanel();
    void createDeviceStates();
    void createWorkspaceActions();
    void createProjectFiles();
    void createActionGroups();
    void connectActions();
    void createDockToggles();
    void createTreeModels();
    void createViewsAndLogs();
    void createDeviceUnits();
    void connectDeviceUnits();
    // What the launchers report; again when a test installs its own.
    void connectDialogLaunchers();
    void showWorkplaceActions(int mode);
    void showSaveAction();
    void showWorkspaceStates(const QString& caption);
    void followWorkspaceRename(int index, const QString& caption);
    void applyWrittenSettings();
    // The end's own steps, once: the log row, the settings, the close.
    void endSession();

    std::unique_ptr<AlarmsArea> m_alarms;
    std::unique_ptr<LogsArea> m_logs;
    std::unique_ptr<WorkspaceArea> m_workspaces;
    std::unique_ptr<PropertyPanel> m_propertyPanel;
    std::unique_ptr<ProjectDocument> m_project;
    std::unique_ptr<DeviceUnits> m_units;
    std::unique_ptr<MainWindowMapHost> m_mapHost;
    std::unique_ptr<DialogLaunchers> m_launchers;
    std::unique_ptr<GatewaySetupBridge> m_gatewaySetup;
    std::unique_ptr<DeviceStates> m_deviceStates;
    std::unique_ptr<CommandRouter> m_commands;

    // What the units hand the GUI thread: one mailbox for the window, so
    // that it runs in the order sent, and one for the voltage log.
    HandleMailbox* m_deliveries = nullptr;
    HandleMailbox* m_voltageDeliveries = nullptr;

    SiteTrees* m_trees = nullptr;
    ElementTreeArea* m_elementTree = nullptr;
    MapEditTools* m_mapEdit = nullptr;
    ZoomTools* m_zoom = nullptr;
    ApplicationLook* m_look = nullptr;
    AlarmStatesWidget* m_alarmStatesWidget = nullptr;
    TWSensorsStatesWidget* m_twSensorsStatesWidget = nullptr;
    ProjectFiles* m_files = nullptr;
    WorkspaceActions* m_workspaceActions = nullptr;
    // The note of the latest map edit, shown for MapNoteMs.
    QLabel* m_mapNoteLabel = nullptr;
    QTimer* m_mapNoteTimer = nullptr;
    QLabel* m_positionLabel = nullptr;
    QLabel* m_gatewayStatusLabel = nullptr;
    QLabel* m_twStatusLabel = nullptr;
    // What the operator last needs to know of a command that was not sent.
    QLabel* m_commandNoteLabel = nullptr;
    // Undo, Redo, Cut, Paste and Delete: open in design mode only.
    QActionGroup* m_mapEditActions = nullptr;
    // Hidden by the user's rights, whatever a workspace's mode would show;
    // each application of the rights starts it anew.
    QSet<QAction*> m_forbiddenActions;
    // The role holds a right to set the site up, and so to save it.
    bool m_maySetUp = false;
    bool m_closing = false;
    bool m_closed = false;
};
