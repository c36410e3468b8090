#include "dialoglaunchers.h"
#include "mainwindowlogging.h"

#include "aboutdlg.h"
#include "actionmanagerdlg.h"
#include "commondlg.h"
#include "mappingdlg.h"
#include "osprelvellsetupdlg.h"
#include "settingdlg.h"
#include "timerdlg.h"
#include "twsensorssetupdlg.h"
#include "useradmindlg.h"

#include <QDebug>
#include <QDialog>
#include <QSet>

DialogLaunchers::DialogLaunchers(QWidget* parent)
    : m_parent(parent)
{
}

DialogLaunchers::~DialogLaunchers() = default;

int DialogLaunchers::notAvailable(const char* dialog) const
{
    static QSet<QByteArray> reported;
    if (!reported.contains(dialog)) {
        reported.insert(dialog);
        qCWarning(lcMainWindow).noquote() << QStringLiteral("The %1 is not available in this build").arg(QLatin1String(dialog));
    }
    return QDialog::Rejected;
}

int DialogLaunchers::gatewaySetup(GatewaySetupHost* host)
{
    OsprelVellSetupDlg dialog(host, m_parent);
    return dialog.exec();
}

int DialogLaunchers::twSensorsSetup(int workspaceIndex, qtClientTW* client)
{
    TWSensorsSetupDlg dialog(m_parent);
    dialog.setTWClient(client);
    connect(&dialog, &TWSensorsSetupDlg::enabledFlagsChanged, this, &DialogLaunchers::twEnablingChanged);
    connect(&dialog, &TWSensorsSetupDlg::twSystemEnabledChanged, this, &DialogLaunchers::twSystemEnabledChanged);
    return dialog.execForSystem(workspaceIndex);
}

int DialogLaunchers::userAdministration()
{
    UserAdminDlg dialog(m_parent);
    connect(&dialog, &UserAdminDlg::writeUserActionLog, this, &DialogLaunchers::userAction);
    return dialog.exec();
}

int DialogLaunchers::about()
{
    AboutDlg dialog(m_parent);
    return dialog.exec();
}

int DialogLaunchers::relayTimers(QList<TimerData>& timers)
{
    TimerDlg dialog(m_parent);
    const int result = dialog.editTimers(timers);
    if (result == QDialog::Accepted)
        timers = dialog.timers();
    return result;
}

int DialogLaunchers::settings(GraphicsScene* scene)
{
    SettingDlg dialog(m_parent);
    const int result = dialog.execSettings(scene);
    m_soundAlarmsChanged = dialog.soundAlarmsChanged();
    return result;
}

Node* DialogLaunchers::actionManager(GraphicsScene* scene)
{
    ActionManagerDlg dialog(m_parent);
    return dialog.selectAction(scene);
}

int DialogLaunchers::workspaceSetup(QString& caption, QString& imageFile, int& mode)
{
    CommonDlg dialog(m_parent);
    return dialog.workspaceSetup(caption, imageFile, mode);
}

Node* DialogLaunchers::selectSensor()
{
    return selectElement(CommonDlg::SensorKind);
}

Node* DialogLaunchers::selectElement(int kind)
{
    CommonDlg dialog(m_parent);
    Node* node = dialog.selectElement(kind);
    return dialog.result() == QDialog::Accepted ? node : nullptr;
}

int DialogLaunchers::buttonAction(ButtonAction& action)
{
    CommonDlg dialog(m_parent);
    const ButtonAction chosen = dialog.selectButtonAction();
    if (dialog.result() == QDialog::Accepted)
        action = chosen;
    return dialog.result();
}

void installElementPicker()
{
    // The dialog keeps only a device's position: only the edited gateway's
    // devices may be offered.
    MappingDlg::setElementPicker([](QWidget* parent, int kind, Node* gateway) {
        if (!gateway)
            return static_cast<Node*>(nullptr);
        CommonDlg dialog(parent);
        Node* node = dialog.selectElement(kind, gateway);
        return dialog.result() == QDialog::Accepted ? node : nullptr;
    });
}

int DialogLaunchers::globalCommand(int mode)
{
    CommonDlg dialog(m_parent);
    const int chosen = dialog.globalCommand(mode);
    return dialog.result() == QDialog::Accepted ? chosen : CommonDlg::GlobalCommandCancelled;
}
