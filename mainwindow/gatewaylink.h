#pragma once

#include "node.h"

#include <QList>
#include <QModelIndex>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

class DeviceUnits;
class SiteTrees;
class WorkspaceArea;

// Keeps the gateway link on a gateway box of the running project. The
// addresses the operator had the link dial (a wizard, an address typed in
// a panel, a project opened) are kept in the order they were last set.
// When the box whose address the link dials leaves the maps (deleted, its
// placement undone, its workspace deleted) and no other box stands at that
// address, the link goes back to the latest of them whose box still stands,
// or closes when none does: it never dials an address only because a box
// stands there. When the box that left comes back (its deletion undone,
// its placement redone), the link goes back to it, as it was before the
// step that took the box away. A project going (open, New) is not such a
// case: its file decides the link.
//
// While the gateway boxes on the maps stand at more than one address, the
// note it announces names the one the link dials, for the status bar.
class GatewayLink : public QObject
{
    Q_OBJECT
public:
    GatewayLink(DeviceUnits* units, SiteTrees* trees, WorkspaceArea* workspaces, QObject* parent);

    // The address a saved project names: the one the link dials, or while
    // it is closed the one it dialled last; empty when no gateway box
    // stands at it on any map.
    QString addressToSave();
    // The running project goes: nothing of its boxes is followed any more.
    void projectClosed();

signals:
    void noteChanged(const QString& note);
    // The link is closed here, for `why`, not by the gateway.
    void closedHere(const QString& why);
    // Gateways came into the energizer states or changed their address (a
    // project opened, a box placed, pasted, readdressed, or brought back by
    // Undo or Redo), told once they stand and before the link follows
    // them: a box that came back is not dialled yet.
    void gatewaysSettled();

private:
    void gatewaysLeaving(const QModelIndex& parent, int first, int last);
    // Runs once the trees stand again: a rebuild of the energizer states
    // takes every gateway out and puts it back in one go.
    void schedule();
    // The gateway boxes or their addresses may have changed.
    void boxesChanged();
    // ...and so may the gateways of the energizer states.
    void gatewaysChanged();
    void settle();
    // True when the link moved or closed.
    bool followBoxes();
    // The address the link dials, kept as the latest the operator set
    // unless this class moved the link there.
    void noteOperatorsAddress();
    void moveLink(const QString& address);
    void followReturns();
    void updateNote();
    QString dialledAddress() const;
    // Keeps the address the link dials, if any, as the one it dialled last.
    void noteDialled();
    QSet<QString> boxAddresses() const;

    DeviceUnits* m_units;
    SiteTrees* m_trees;
    WorkspaceArea* m_workspaces;
    QString m_note;
    QString m_lastDialled;
    // The addresses the operator set, the latest last.
    QStringList m_setAddresses;
    // Where this class moved the link last.
    QString m_movedTo;
    bool m_scheduled = false;
    bool m_boxesChanged = true;
    bool m_gatewaysChanged = true;
    // How many addresses the gateway boxes on the maps stand at.
    int m_boxAddressCount = 0;
    // Rows of the dialled gateway that left since the last settle.
    QList<NodeHandle> m_leaving;
    // Rows the link moved away from when they left, the earliest first.
    QList<NodeHandle> m_left;
};
