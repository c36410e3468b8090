#pragma once

#include "timerdata.h"

#include <QList>
#include <QObject>
#include <QString>

class GatewaySetupHost;
class GraphicsScene;
class Node;
struct ButtonAction;
class QWidget;
class qtClientTW;

// The window's way to the setup and administration dialogs, one function
// per dialog, each building its dialog with `parent`, running it modally and
// deleting it. A dialog that is not part of this build reports so once and
// answers as if cancelled. What a dialog reports while it runs leaves as
// the signals below, which the window connects. Tests install a subclass
// that answers without showing anything.
class DialogLaunchers : public QObject
{
    Q_OBJECT
public:
    explicit DialogLaunchers(QWidget* parent);
    virtual ~DialogLaunchers();

    virtual int gatewaySetup(GatewaySetupHost* host);
    // `client` is the TW link the dialog talks to.
    virtual int twSensorsSetup(int workspaceIndex, qtClientTW* client);
    virtual int userAdministration();
    virtual int about();
    // On Accepted, `timers` holds the edited list.
    virtual int relayTimers(QList<TimerData>& timers);
    // Writes its keys to setting.ini and replaces the alarm conditions when confirmed.
    virtual int settings(GraphicsScene* scene);
    // The chosen alarm action node, null when cancelled.
    virtual Node* actionManager(GraphicsScene* scene);
    // The workspace set-up page; on OK it writes the three back.
    virtual int workspaceSetup(QString& caption, QString& imageFile, int& mode);
    // The element picker for a TW sensor; null when cancelled.
    virtual Node* selectSensor();
    // The global command page: the chosen mode 0 to 3, -1 when cancelled.
    virtual int globalCommand(int mode);
    // A node of the kind (1 IO card, 2 energizer, 3 fence, 4 sensor), null when cancelled.
    virtual Node* selectElement(int kind);
    // On Accepted, `action` holds the target and the command of a map button.
    virtual int buttonAction(ButtonAction& action);

    // Sound alarms are edited live in the settings dialog, even when it is
    // cancelled: the project then has changes to save.
    bool soundAlarmsChanged() const { return m_soundAlarmsChanged; }

signals:
    void userAction(QString subject, QString message);
    // From the TW set-up: sensors or sectors were enabled or disabled, or a
    // whole TW system was.
    void twEnablingChanged();
    void twSystemEnabledChanged();

protected:
    QWidget* parentWidget() const { return m_parent; }
    int notAvailable(const char* dialog) const;

    bool m_soundAlarmsChanged = false;

private:
    QWidget* m_parent;
};

// Makes the mapping dialog pick its devices on the element page of the
// many-purpose dialog; the main window installs it once it is built.
void installElementPicker();
