#pragma once

#include "timerdata.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <functional>

class GraphicsScene;
class Node;
class QWidget;

// The window's way to the setup and administration dialogs, one function
// per dialog, each building its dialog with `parent`, running it modally and
// deleting it. A dialog that is not part of this build reports so once and
// answers as if cancelled. Tests install a subclass that answers without
// showing anything.
class DialogLaunchers
{
public:
    explicit DialogLaunchers(QWidget* parent);
    virtual ~DialogLaunchers();

    virtual int gatewaySetup();
    virtual int twSensorsSetup(int workspaceIndex);
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

protected:
    QWidget* parent() const { return m_parent; }
    int notAvailable(const char* dialog) const;

private:
    QWidget* m_parent;
};

// Opens a local document with the desktop's handler; replaceable so tests
// never start a viewer. Returns what the handler reported.
using UrlOpener = std::function<bool(const QUrl& url)>;
void setUrlOpener(UrlOpener opener);
bool openUrl(const QUrl& url);
