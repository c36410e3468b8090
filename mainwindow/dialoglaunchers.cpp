#include "dialoglaunchers.h"

#include "aboutdlg.h"
#include "actionmanagerdlg.h"
#include "elementtreeproxymodel.h"
#include "mainwindow.h"
#include "osprelvellsetupdlg.h"
#include "settingdlg.h"
#include "twsensorsstateswidget.h"
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
        qWarning().noquote() << QStringLiteral("The %1 is not available in this build").arg(QLatin1String(dialog));
    }
    return QDialog::Rejected;
}

int DialogLaunchers::gatewaySetup()
{
    OsprelVellSetupDlg dialog(m_parent);
    return dialog.exec();
}

int DialogLaunchers::twSensorsSetup(int workspaceIndex)
{
    TWSensorsSetupDlg dialog(m_parent);
    MainWindow* window = qobject_cast<MainWindow*>(m_parent);
    if (window) {
        dialog.setTWClient(window->twSensorsClient());
        QObject::connect(&dialog, &TWSensorsSetupDlg::enabledFlagsChanged, window, [window] {
            window->elementTreeProxy()->invalidate();
            window->twSensorsStatesWidget()->refresh();
        });
        QObject::connect(&dialog, &TWSensorsSetupDlg::twSystemEnabledChanged, window,
                         &MainWindow::updateTWSectorAction);
    }
    return dialog.execForSystem(workspaceIndex);
}

int DialogLaunchers::userAdministration()
{
    UserAdminDlg dialog(m_parent);
    if (MainWindow* window = qobject_cast<MainWindow*>(m_parent))
        QObject::connect(&dialog, &UserAdminDlg::writeUserActionLog, window, &MainWindow::writeUserActionLog);
    return dialog.exec();
}

int DialogLaunchers::about()
{
    AboutDlg dialog(m_parent);
    return dialog.exec();
}

int DialogLaunchers::relayTimers(QList<TimerData>&)
{
    return notAvailable("relay timer list");
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

int DialogLaunchers::globalCommand(int)
{
    notAvailable("global command page");
    return -1;
}
