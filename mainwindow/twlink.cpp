#include "twlink.h"
#include "mainwindowlogging.h"

#include "deviceunits.h"
#include "node.h"
#include "qtclienttw.h"
#include "sitemutex.h"
#include "sitetrees.h"
#include "treemodel.h"

#include <utility>

TWLink::TWLink(DeviceUnits* units, SiteTrees* trees, QObject* parent)
    : QObject(parent)
    , m_units(units)
    , m_trees(trees)
{
    // Only the systems themselves, the model's top rows, count here.
    connect(trees->twSensorModel(), &QAbstractItemModel::rowsAboutToBeRemoved, this, &TWLink::systemsLeaving);
}

void TWLink::projectClosed()
{
    m_leaving = false;
}

void TWLink::systemsLeaving(const QModelIndex& parent, int first, int last)
{
    qtClientTW* client = m_units->twClient();
    if (parent.isValid() || !client || client->address().isEmpty())
        return;
    bool dialled = false;
    {
        SiteLocker lock;
        for (int row = first; row <= last; ++row) {
            const Node* system = m_trees->twSensorRoot()->child(row);
            dialled = dialled || (system && system->data(0).toString() == client->address());
        }
    }
    if (dialled && !std::exchange(m_leaving, true))
        QMetaObject::invokeMethod(this, &TWLink::settle, Qt::QueuedConnection);
}

bool TWLink::standsAt(const QString& address) const
{
    SiteLocker lock;
    for (const Node* system : qAsConst(m_trees->twSensorRoot()->children)) {
        if (system->enabled && system->data(0).toString() == address)
            return true;
    }
    return false;
}

void TWLink::settle()
{
    if (!std::exchange(m_leaving, false))
        return;
    qtClientTW* client = m_units->twClient();
    const QString dialled = client ? client->address() : QString();
    if (dialled.isEmpty() || standsAt(dialled))
        return;
    qCWarning(lcMainWindow).noquote()
        << QStringLiteral("TW link: no TW system at %1 any more; the link is closed").arg(dialled);
    // Told first: the close that follows is the program's, not the controller's.
    emit closedHere(tr("no TW system left to dial"));
    client->moveTo(QString());
}
