#include "twlink.h"
#include "mainwindowlogging.h"

#include "deviceunits.h"
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
    TreeModel* model = trees->twSensorModel();
    // Only the systems themselves, the model's top rows, count here.
    connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this, &TWLink::systemsLeaving);
    connect(model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex& parent) {
        if (!parent.isValid() && !m_left.isEmpty())
            schedule();
    });
}

void TWLink::projectClosed()
{
    m_leaving.clear();
    m_left.clear();
}

void TWLink::systemsLeaving(const QModelIndex& parent, int first, int last)
{
    qtClientTW* client = m_units->twClient();
    if (parent.isValid() || !client || client->address().isEmpty())
        return;
    SiteLocker lock;
    for (int row = first; row <= last; ++row) {
        Node* system = m_trees->twSensorRoot()->child(row);
        if (system && system->data(0).toString() == client->address())
            m_leaving.append(NodeHandle(system));
    }
    if (!m_leaving.isEmpty())
        schedule();
}

void TWLink::schedule()
{
    if (std::exchange(m_scheduled, true))
        return;
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
    if (!std::exchange(m_scheduled, false))
        return;
    qtClientTW* client = m_units->twClient();
    if (!client)
        return;
    const QString dialled = client->address();
    const QList<NodeHandle> leaving = std::exchange(m_leaving, {});
    if (!leaving.isEmpty() && !dialled.isEmpty() && !standsAt(dialled)) {
        qCWarning(lcMainWindow).noquote()
            << QStringLiteral("TW link: no TW system at %1 any more; the link is closed").arg(dialled);
        // Told first: the close that follows is the program's, not the controller's.
        emit closedHere(tr("no TW system left to dial"));
        client->moveTo(QString());
        m_left = leaving;
    }
    // A system the link closed for stands again: the link goes back to it.
    for (const NodeHandle& handle : std::exchange(m_left, {})) {
        Node* system = handle.get();
        if (!system)
            continue;
        if (system->parent() != m_trees->twSensorRoot()) {
            m_left.append(handle);
        } else if (client->address().isEmpty()) {
            SiteLocker lock;
            client->moveTo(system->data(0).toString());
        }
    }
}
