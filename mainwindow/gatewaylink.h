#pragma once

#include <QModelIndex>
#include <QObject>
#include <QString>

class DeviceUnits;
class SiteTrees;

// Keeps the gateway link on a gateway box of the running project. When the
// box whose address the link dials leaves the maps (deleted, its placement
// undone, its workspace deleted) and no other box stands at that address,
// the link moves to the last gateway box left, the one a reopen of the
// project would take, or closes when none is left. A project going (open,
// New) is not such a case: its file decides the link.
//
// While the project's gateway boxes stand at more than one address, the
// note it announces names the one the link dials, for the status bar.
class GatewayLink : public QObject
{
    Q_OBJECT
public:
    GatewayLink(DeviceUnits* units, SiteTrees* trees, QObject* parent);

signals:
    void noteChanged(const QString& note);

private:
    void gatewaysLeaving(const QModelIndex& parent, int first, int last);
    // Runs once the trees stand again: a rebuild of the energizer states
    // takes every gateway out and puts it back in one go.
    void schedule();
    void followBoxes();
    void updateNote();

    DeviceUnits* m_units;
    SiteTrees* m_trees;
    QString m_note;
    bool m_scheduled = false;
    bool m_dialledBoxLeft = false;
};
