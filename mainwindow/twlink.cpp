#include "twlink.h"
#include "mainwindowlogging.h"

#include "deviceunits.h"
#include "node.h"
#include "qtclienttw.h"
#include "sitemutex.h"
#include "sitetrees.h"
#include "treemodel.h"

#include <QSet>

#include <utility>

TWLink::TWLink(DeviceUnits* units, SiteTrees* trees, QObject* parent)
    : QObject(parent)
    , m_units(units)
    , m_trees(trees)
{
    // Only the systems themselves, the model's top rows, count here.
    TreeModel* model = trees->twSensorModel();
    connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this, &TWLink::systemsLeaving);
    const auto topRows = [this](const QModelIndex& parent) {
        if (!parent.isValid())
            schedule();
    };
    connect(model, &QAbstractItemModel::rowsInserted, this, topRows);
    connect(model, &QAbstractItemModel::rowsRemoved, this, topRows);
    // A system's address or enabled flag changed.
    connect(model, &QAbstractItemModel::dataChanged, this,
            [topRows](const QModelIndex& topLeft) { topRows(topLeft.parent()); });
    connect(model, &QAbstractItemModel::modelReset, this, &TWLink::schedule);
    if (qtClientTW* client = m_units->twClient())
        connect(client, &qtClientTW::movedTo, this, &TWLink::schedule);
}

QString TWLink::dialledAddress() const
{
    const qtClientTW* client = m_units->twClient();
    return client ? client->address() : QString();
}

QString TWLink::addressToSave() const
{
    const QString dialled = dialledAddress();
    return !dialled.isEmpty() && standsAt(dialled, false) ? dialled : QString();
}

void TWLink::projectClosed()
{
    m_leaving = false;
}

void TWLink::systemsLeaving(const QModelIndex& parent, int first, int last)
{
    const QString address = dialledAddress();
    if (parent.isValid() || address.isEmpty())
        return;
    bool dialled = false;
    {
        SiteLocker lock;
        for (int row = first; row <= last; ++row) {
            const Node* system = m_trees->twSensorRoot()->child(row);
            dialled = dialled || (system && system->data(0).toString() == address);
        }
    }
    m_leaving = m_leaving || dialled;
    schedule();
}

void TWLink::schedule()
{
    if (!std::exchange(m_scheduled, true))
        QMetaObject::invokeMethod(this, &TWLink::settle, Qt::QueuedConnection);
}

bool TWLink::standsAt(const QString& address, bool enabledOnly) const
{
    SiteLocker lock;
    for (const Node* system : qAsConst(m_trees->twSensorRoot()->children)) {
        if ((system->enabled || !enabledOnly) && system->data(0).toString() == address)
            return true;
    }
    return false;
}

void TWLink::settle()
{
    if (!std::exchange(m_scheduled, false))
        return;
    if (std::exchange(m_leaving, false))
        closeIfLeft();
    updateNote();
}

void TWLink::closeIfLeft()
{
    const QString dialled = dialledAddress();
    if (dialled.isEmpty() || standsAt(dialled))
        return;
    qCWarning(lcMainWindow).noquote()
        << QStringLiteral("TW link: no TW system at %1 any more; the link is closed").arg(dialled);
    // Told first: the close that follows is the program's, not the controller's.
    emit closedHere(tr("its TW system is gone; choose another"));
    m_units->twClient()->moveTo(QString());
}

void TWLink::updateNote()
{
    QSet<QString> addresses;
    {
        SiteLocker lock;
        for (const Node* system : qAsConst(m_trees->twSensorRoot()->children)) {
            if (system->enabled && !system->data(0).toString().isEmpty())
                addresses.insert(system->data(0).toString());
        }
    }
    // Named unless the system it dials is the only one shown: a disabled
    // one leaves the view, and the field is then all that tells where the
    // link goes.
    const QString dialled = dialledAddress();
    QString note;
    if (!dialled.isEmpty() && addresses != QSet<QString>{dialled})
        note = tr("TW system %1").arg(dialled);
    else if (dialled.isEmpty() && addresses.size() > 1)
        note = tr("no TW link");
    if (note == m_note)
        return;
    m_note = note;
    emit noteChanged(note);
}
