#pragma once

#include <QModelIndex>
#include <QObject>
#include <QString>

class DeviceUnits;
class SiteTrees;

// Keeps the TW link on a TW system of the running project, as GatewayLink
// keeps the gateway link on a box. When the system whose address the link
// dials leaves the project (its workspace deleted) and no other enabled
// system stands at that address, the link closes, told as the program's
// close. A system that leaves is deleted with its workspace, which no undo
// brings back, so the link has nothing to come back to. A project going
// (open, New) is not such a case: its file decides the link.
//
// Unless the system the link dials is the only enabled one, the note it
// announces names the address it dials, for the status bar; with no link,
// it says so while the enabled systems stand at several addresses.
class TWLink : public QObject
{
    Q_OBJECT
public:
    TWLink(DeviceUnits* units, SiteTrees* trees, QObject* parent);

    // The address a saved project names: the one the link dials, while a
    // TW system stands at it; empty otherwise. A disabled one is named too:
    // the reopen then dials as a file that names none would.
    QString addressToSave() const;
    // The running project goes: nothing of its systems is followed any more.
    void projectClosed();

signals:
    void noteChanged(const QString& note);
    // The link is closed here, for `why`, not by the TW controller.
    void closedHere(const QString& why);

private:
    void systemsLeaving(const QModelIndex& parent, int first, int last);
    void schedule();
    // Runs once the trees stand again.
    void settle();
    void closeIfLeft();
    void updateNote();
    QString dialledAddress() const;
    bool standsAt(const QString& address, bool enabledOnly = true) const;

    DeviceUnits* m_units;
    SiteTrees* m_trees;
    // A system at the dialled address left since the last settle, which is
    // on its way.
    bool m_leaving = false;
    bool m_scheduled = false;
    QString m_note;
};
